#include "gui/util/collation_box.h"

#include <QLocale>
#include <algorithm>
#include <utility>
#include <vector>

#include "core/text/collation.h"

namespace tarvolen {

CCollationBox::CCollationBox(First first, QWidget* parent) : QComboBox(parent) {
    std::vector<std::pair<QString, std::string>> languages;
    for (const std::string& locale : Collation::Locales()) {
        languages.emplace_back(locale == "root"
                                   ? QString::fromUtf8(kRootText)
                                   : QString::fromStdString(Collation::DisplayName(locale)),
                               locale);
    }
    std::sort(languages.begin(), languages.end(),
              [](const auto& a, const auto& b) { return a.first.localeAwareCompare(b.first) < 0; });
    const std::string desktop = first == First::DesktopLanguage ? DesktopLocale() : std::string();
    const auto add = [this](const std::pair<QString, std::string>& language) {
        addItem(language.first, QString::fromStdString(language.second));
    };
    for (const auto& language : languages) {
        if (language.second == desktop)
            add(language);
    }
    addItem(QString::fromUtf8(kByteOrderText), QString());
    for (const auto& language : languages) {
        if (language.second != desktop)
            add(language);
    }
    // The names are long ("English (United States, Computer)"): as many as fit.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(16);
    setMaxVisibleItems(20);
}

std::string CCollationBox::Locale() const {
    return currentData().toString().toStdString();
}

void CCollationBox::SetLocale(const std::string& locale) {
    const int index = findData(QString::fromStdString(locale));
    setCurrentIndex(index >= 0 ? index : findData(QString()));
}

std::string CCollationBox::DesktopLocale() {
    return Collation::ForDesktop(QLocale::system().name().toStdString());
}

}  // namespace tarvolen
