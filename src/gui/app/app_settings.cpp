#include "gui/app/app_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>
#include <array>
#include <utility>

#include "core/decode/text_encoding.h"
#include "core/text/collation.h"
#include "core/text/format_count.h"
#include "core/words/char_map.h"
#include "core/workspace.h"
#include "gui/app/qt_paths.h"

namespace tarvolen {

namespace {

// The sorts the window may start with: those of the columns every list has.
constexpr std::array<std::pair<ListSortKey, const char*>, 6> kSortNames{{
    {ListSortKey::Rank, "rank"},
    {ListSortKey::Word, "word"},
    {ListSortKey::WordBackwards, "word-backwards"},
    {ListSortKey::Count, "count"},
    {ListSortKey::Length, "length"},
    {ListSortKey::Range, "range"},
}};

constexpr int kNarrowestColumn = 8;
constexpr int kWidestColumn = 4000;

}  // namespace

QString CAppSettings::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarvolen/tarvolen.conf");
}

void CAppSettings::Reset(const QString& path) {
    QFile::remove(path);
}

CAppSettings::CAppSettings(const QString& path)
    : path_(path), settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {
    const std::string shown = ReadableOnScreen(EncodePath(path)).toStdString();
    switch (settings_->status()) {
        case QSettings::NoError:
            break;
        case QSettings::FormatError: {
            // Kept for whoever wants to look at it, out of the way of the next start.
            settings_.reset();
            const QString kept = path + QStringLiteral(".damaged");
            QFile::remove(kept);
            QFile::rename(path, kept);
            settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
            settings_->clear();
            problem_ = FormatText(kDamagedFormat, shown.c_str(),
                                  ReadableOnScreen(EncodePath(kept)).toStdString().c_str());
            break;
        }
        case QSettings::AccessError:
            settings_->clear();
            problem_ = FormatText(kUnreadableFormat, shown.c_str());
            break;
    }
}

CAppSettings::~CAppSettings() = default;

std::optional<std::string> CAppSettings::Problem() const {
    if (problem_.empty())
        return std::nullopt;
    return problem_;
}

std::optional<int> CAppSettings::Integer(const QString& key, int lowest, int highest) const {
    bool ok = false;
    const int value = settings_->value(key).toString().trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

std::optional<bool> CAppSettings::Flag(const QString& key) const {
    const QString text = settings_->value(key).toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return std::nullopt;
}

void CAppSettings::Store(const QString& key, const QVariant& value) {
    settings_->setValue(key, value);
}

void CAppSettings::LoadAddOptions(AddOptions& options) const {
    const AddOptions defaults;
    options.Language =
        Integer(QStringLiteral("add/language"), 0, kLanguageCount - 1).value_or(defaults.Language);
    options.SkipShortWords =
        Flag(QStringLiteral("add/skip-short-words")).value_or(defaults.SkipShortWords != 0) ? 1 : 0;
    options.OpenFilterIndex =
        Integer(QStringLiteral("add/open-filter"), 1, 2).value_or(defaults.OpenFilterIndex);
    const std::string encoding =
        settings_->value(QStringLiteral("add/encoding")).toString().toStdString();
    options.Encoding = ParseEncoding(encoding) ? encoding : defaults.Encoding;
    options.Rules.Apostrophes =
        Flag(QStringLiteral("add/apostrophes")).value_or(defaults.Rules.Apostrophes);
    options.Rules.Hyphens = Flag(QStringLiteral("add/hyphens")).value_or(defaults.Rules.Hyphens);
    options.Rules.Digits = Flag(QStringLiteral("add/digits")).value_or(defaults.Rules.Digits);
    const bool webPages = Flag(QStringLiteral("add/web-pages"))
                              .value_or(defaults.Documents.markup != MarkupMode::None);
    options.Documents.markup = webPages ? MarkupMode::ByName : MarkupMode::None;
    options.Documents.everyFileAsText =
        Flag(QStringLiteral("add/every-file")).value_or(defaults.Documents.everyFileAsText);
    const WordsInARow& single = defaults.InARow;
    options.InARow.From = Integer(QStringLiteral("add/words-in-a-row-from"), 1, WordsInARow::kMost)
                              .value_or(single.From);
    options.InARow.To =
        Integer(QStringLiteral("add/words-in-a-row-to"), 1, WordsInARow::kMost).value_or(single.To);
    // A range the dialog could not have stored is no range at all.
    if (options.InARow.From > options.InARow.To) {
        options.InARow.From = single.From;
        options.InARow.To = single.To;
    }
    options.InARow.AcrossPunctuation = Flag(QStringLiteral("add/words-in-a-row-across-punctuation"))
                                           .value_or(single.AcrossPunctuation);
}

void CAppSettings::StoreAddOptions(const AddOptions& options) {
    Store(QStringLiteral("add/language"), options.Language);
    Store(QStringLiteral("add/skip-short-words"), options.SkipShortWords != 0);
    Store(QStringLiteral("add/open-filter"), options.OpenFilterIndex);
    Store(QStringLiteral("add/encoding"), QString::fromStdString(options.Encoding));
    Store(QStringLiteral("add/apostrophes"), options.Rules.Apostrophes);
    Store(QStringLiteral("add/hyphens"), options.Rules.Hyphens);
    Store(QStringLiteral("add/digits"), options.Rules.Digits);
    Store(QStringLiteral("add/web-pages"), options.Documents.markup != MarkupMode::None);
    Store(QStringLiteral("add/every-file"), options.Documents.everyFileAsText);
    Store(QStringLiteral("add/words-in-a-row-from"), options.InARow.From);
    Store(QStringLiteral("add/words-in-a-row-to"), options.InARow.To);
    Store(QStringLiteral("add/words-in-a-row-across-punctuation"),
          options.InARow.AcrossPunctuation);
    settings_->sync();
}

void CAppSettings::LoadOutputOptions(OutputOptions& options) const {
    const OutputOptions defaults;
    const auto flag = [this](const char* key, std::int32_t fallback) {
        return Flag(QString::fromLatin1(key)).value_or(fallback != 0) ? 1 : 0;
    };
    options.Delimiter = static_cast<Delimiter>(Integer(QStringLiteral("save/delimiter"), 0, 2)
                                                   .value_or(static_cast<int>(defaults.Delimiter)));
    options.CaseMode = Integer(QStringLiteral("save/case"), 0, 1).value_or(defaults.CaseMode);
    options.UnicodeOutput = flag("save/utf-16", defaults.UnicodeOutput);
    options.Utf8Output = options.UnicodeOutput != 0 ? 0 : flag("save/utf-8", defaults.Utf8Output);
    options.IncludeFrequency = flag("save/frequency", defaults.IncludeFrequency);
    options.IncludeRange = flag("save/range", defaults.IncludeRange);
    options.AppendOutput = flag("save/append", defaults.AppendOutput);
    options.Collate = CollationLocale(QStringLiteral("save/collation")).value_or(defaults.Collate);
}

void CAppSettings::StoreOutputOptions(const OutputOptions& options) {
    Store(QStringLiteral("save/delimiter"), static_cast<int>(options.Delimiter));
    Store(QStringLiteral("save/case"), options.CaseMode);
    Store(QStringLiteral("save/utf-16"), options.UnicodeOutput != 0);
    Store(QStringLiteral("save/utf-8"), options.Utf8Output != 0);
    Store(QStringLiteral("save/frequency"), options.IncludeFrequency != 0);
    Store(QStringLiteral("save/range"), options.IncludeRange != 0);
    Store(QStringLiteral("save/append"), options.AppendOutput != 0);
    Store(QStringLiteral("save/collation"), QString::fromStdString(options.Collate));
    settings_->sync();
}

std::string CAppSettings::LastSavedFile() const {
    return EncodePath(settings_->value(QStringLiteral("save/last-file")).toString());
}

void CAppSettings::SetLastSavedFile(const std::string& path) {
    Store(QStringLiteral("save/last-file"), DecodePath(path));
    settings_->sync();
}

QString CAppSettings::Folder(const QString& dialog) const {
    const QString folder = settings_->value(QStringLiteral("folders/") + dialog).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return {};
    return folder;
}

void CAppSettings::SetFolder(const QString& dialog, const QString& folder) {
    Store(QStringLiteral("folders/") + dialog, folder);
    settings_->sync();
}

QByteArray CAppSettings::ListGeometry() const {
    return settings_->value(QStringLiteral("word-list/geometry")).toByteArray();
}

void CAppSettings::SetListGeometry(const QByteArray& geometry) {
    Store(QStringLiteral("word-list/geometry"), geometry);
    settings_->sync();
}

std::vector<int> CAppSettings::ListColumnWidths(int columns) const {
    const QStringList kept =
        settings_->value(QStringLiteral("word-list/column-widths")).toStringList();
    std::vector<int> widths;
    if (kept.size() != columns)
        return widths;
    for (const QString& text : kept) {
        bool ok = false;
        const int width = text.toInt(&ok);
        if (!ok || width < kNarrowestColumn || width > kWidestColumn)
            return {};
        widths.push_back(width);
    }
    return widths;
}

void CAppSettings::SetListColumnWidths(const std::vector<int>& widths) {
    QStringList texts;
    for (const int width : widths)
        texts << QString::number(width);
    Store(QStringLiteral("word-list/column-widths"), texts);
    settings_->sync();
}

std::optional<std::string> CAppSettings::CollationLocale(const QString& key) const {
    if (!settings_->contains(key))
        return std::nullopt;
    const std::string locale = settings_->value(key).toString().toStdString();
    // A language this ICU no longer knows falls back as if nothing were kept.
    if (!locale.empty() && Collation::ForLocale(locale) == nullptr)
        return std::nullopt;
    return locale;
}

std::optional<std::string> CAppSettings::ListCollation() const {
    return CollationLocale(QStringLiteral("word-list/collation"));
}

void CAppSettings::SetListCollation(const std::string& locale) {
    Store(QStringLiteral("word-list/collation"), QString::fromStdString(locale));
    settings_->sync();
}

std::optional<ListSort> CAppSettings::ListSortOrder() const {
    const QString name = settings_->value(QStringLiteral("word-list/sort")).toString();
    const std::optional<bool> descending = Flag(QStringLiteral("word-list/descending"));
    for (const auto& [key, keyName] : kSortNames) {
        if (name == QLatin1String(keyName) && descending)
            return ListSort{key, *descending};
    }
    return std::nullopt;
}

void CAppSettings::SetListSortOrder(ListSort sort) {
    for (const auto& [key, keyName] : kSortNames) {
        if (key != sort.key)
            continue;
        Store(QStringLiteral("word-list/sort"), QString::fromLatin1(keyName));
        Store(QStringLiteral("word-list/descending"), sort.descending);
        settings_->sync();
    }
}

}  // namespace tarvolen
