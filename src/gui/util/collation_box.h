#pragma once

#include <QComboBox>
#include <string>

namespace tarvolen {

// The choice of an alphabetical order: "Byte order" (the bytes', as saved lists have
// always been sorted) and every language ICU has a collation for, by their English
// names. Where the desktop's language leads, its order comes first, so that the
// person's own language is the one at hand.
class CCollationBox : public QComboBox {
    Q_OBJECT

  public:
    static constexpr const char* kByteOrderText = "Byte order";
    // The root order's name: Unicode's own, for every language.
    static constexpr const char* kRootText = "Any language (Unicode order)";

    enum class First { ByteOrder, DesktopLanguage };
    explicit CCollationBox(First first, QWidget* parent = nullptr);

    // The locale chosen; empty for byte order.
    std::string Locale() const;
    // Chooses a locale the box offers; any other (or empty) chooses byte order.
    void SetLocale(const std::string& locale);
    // The desktop language's order, empty where it has none (the C locale).
    static std::string DesktopLocale();
};

}  // namespace tarvolen
