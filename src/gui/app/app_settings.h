#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/wordtable/list_order.h"

class QSettings;

namespace tarvolen {

struct AddOptions;
struct OutputOptions;

// What the program keeps between runs, as desktop programs do: the Add and Save
// options, the name of the list saved last, the folder each file dialog was last left
// in, and how the Word List window was placed, sized and sorted. An INI file in the
// XDG configuration folder, through QSettings. Each value read is checked and falls
// back to its default when it is missing or makes no sense, so that the first start,
// or a file edited by hand, starts as the program always did.
class CAppSettings {
  public:
    // $XDG_CONFIG_HOME/tarvolen/tarvolen.conf, or under ~/.config where that is unset.
    static QString DefaultPath();
    // Forgets everything kept (tarvolen --reset-settings).
    static void Reset(const QString& path);

    static constexpr const char* kDamagedFormat =
        "The settings file %s is damaged. Tarvolen starts with its default settings; the "
        "damaged file is kept as %s.";
    static constexpr const char* kUnreadableFormat =
        "The settings file %s cannot be read. Tarvolen starts with its default settings.";

    // A file that cannot be read or parsed leaves every value at its default: a damaged
    // one is moved aside, so that the next start is clean. Problem() says what happened.
    explicit CAppSettings(const QString& path);
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    // What to tell the person once, at start, when the kept settings could not be used.
    std::optional<std::string> Problem() const;

    void LoadAddOptions(AddOptions& options) const;
    void StoreAddOptions(const AddOptions& options);
    void LoadOutputOptions(OutputOptions& options) const;
    void StoreOutputOptions(const OutputOptions& options);
    // File-system bytes; empty when no list was saved yet.
    std::string LastSavedFile() const;
    void SetLastSavedFile(const std::string& path);

    // The folder a dialog (by a name of its own) was last left in; empty when none, or
    // when it is gone.
    QString Folder(const QString& dialog) const;
    void SetFolder(const QString& dialog, const QString& folder);

    // The Word List window: QWidget::saveGeometry's bytes, the widths of the list's own
    // columns, and the sort (of those columns, which every list has).
    QByteArray ListGeometry() const;
    void SetListGeometry(const QByteArray& geometry);
    std::vector<int> ListColumnWidths(int columns) const;
    void SetListColumnWidths(const std::vector<int>& widths);
    std::optional<ListSort> ListSortOrder() const;
    void SetListSortOrder(ListSort sort);
    // The language the Word column sorts in: a locale with a collation, or empty for
    // byte order; nothing when none was kept.
    std::optional<std::string> ListCollation() const;
    void SetListCollation(const std::string& locale);

  private:
    // A kept locale that still has a collation ("" for byte order).
    std::optional<std::string> CollationLocale(const QString& key) const;
    std::optional<int> Integer(const QString& key, int lowest, int highest) const;
    std::optional<bool> Flag(const QString& key) const;
    void Store(const QString& key, const QVariant& value);

    QString path_;
    std::unique_ptr<QSettings> settings_;
    std::string problem_;
};

}  // namespace tarvolen
