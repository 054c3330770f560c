#include "ol/ResourceServer.h"

#include <algorithm>
#include <cstdlib>

#include <QSettings>

#include "ResourceTexts.h"
#include "ol/Directories.h"

namespace ol {

namespace {

std::span<const detail::ResourceText> tableOf(int language) {
    switch (language) {
    case kLanguageEnglish:
        return detail::englishTexts();
    case kLanguageGerman:
        return detail::germanTexts();
    default:
        return {};
    }
}

const detail::ResourceText* find(int id, int language) {
    const auto table = tableOf(language);
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const detail::ResourceText& t, int wanted) { return t.id < wanted; });
    return it != table.end() && it->id == id ? &*it : nullptr;
}

int supportedOrEnglish(int language) {
    return ResourceServer::isSupported(language) ? language : kLanguageEnglish;
}

QString settingsFile() {
    const QString dir = configDirectory();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/selvane.conf");
}

QString settingsKey(int productIndex) {
    return QStringLiteral("Language/Product%1").arg(productIndex);
}

} // namespace

ResourceServer::ResourceServer(int language, QString productName)
    : m_language(supportedOrEnglish(language)), m_productName(std::move(productName)) {}

std::unique_ptr<ResourceServer> ResourceServer::create(const QString& productName, const QString& settingString) {
    return std::make_unique<ResourceServer>(parseLanguage(settingString), productName);
}

int32_t ResourceServer::languageSetting(int productIndex) {
    if (const char* env = std::getenv("SELVANE_LANGUAGE"); env && *env) {
        if (const int language = parseLanguage(QString::fromLocal8Bit(env)); language > 0)
            return language;
    }
    const QString file = settingsFile();
    if (file.isEmpty())
        return 0;
    const QSettings settings(file, QSettings::IniFormat);
    bool ok = false;
    const int stored = settings.value(settingsKey(productIndex)).toInt(&ok);
    return ok && stored > 0 ? stored : 0;
}

bool ResourceServer::storeLanguageSetting(int productIndex, int32_t language) {
    const QString file = settingsFile();
    if (file.isEmpty())
        return false;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(settingsKey(productIndex), language);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString ResourceServer::settingString(int32_t setting) {
    switch (setting) {
    case kLanguageEnglish:
        return QStringLiteral("en");
    case kLanguageGerman:
        return QStringLiteral("de");
    default:
        return setting > 0 ? QString::number(setting) : QString();
    }
}

int ResourceServer::parseLanguage(const QString& text) {
    const QString t = text.trimmed().toLower();
    if (t.isEmpty())
        return 0;
    bool isNumber = false;
    const int number = t.toInt(&isNumber);
    if (isNumber)
        return number > 0 ? number : 0;
    // A locale name ("de_DE.UTF-8", "de-AT", "de@euro") names its language
    // in the letters before the first separator.
    qsizetype end = 0;
    while (end < t.size() && t.at(end).isLetter())
        ++end;
    const QString code = t.left(end);
    if (code == u"de" || code == u"german" || code == u"deutsch")
        return kLanguageGerman;
    if (code == u"en" || code == u"english")
        return kLanguageEnglish;
    return 0;
}

bool ResourceServer::isSupported(int language) {
    return !tableOf(language).empty();
}

void ResourceServer::setLanguage(int language) {
    m_language = supportedOrEnglish(language);
}

QString ResourceServer::textWithArguments(int id, std::span<const QString> args) const {
    const detail::ResourceText* entry = find(id, m_language);
    if (!entry) {
        if (m_onMissingText)
            m_onMissingText(id, m_language);
        entry = find(id, kLanguageEnglish);
    }
    if (!entry)
        return QStringLiteral("[missing text %1]").arg(id);
    return substitute(QString::fromUtf16(entry->text), args);
}

void ResourceServer::setMissingTextHandler(MissingTextHandler handler) {
    m_onMissingText = std::move(handler);
}

UiFont ResourceServer::uiFontFor(int /*language*/) {
    // English and German both use the Latin script (Windows character set 0)
    // and the same font: DejaVu Sans is on every Debian desktop and has the
    // German letters. The longer German texts are handled by the windows'
    // per-language widening, not by a smaller font. A language of another
    // script would get its own entry here.
    return UiFont{QStringLiteral("DejaVu Sans"), 8.0, 0};
}

bool ResourceServer::hasText(int id, int language) {
    return find(id, language) != nullptr;
}

std::optional<QString> ResourceServer::rawText(int id, int language) {
    if (const detail::ResourceText* entry = find(id, language))
        return QString::fromUtf16(entry->text);
    return std::nullopt;
}

std::vector<int> ResourceServer::textNumbers(int language) {
    std::vector<int> numbers;
    for (const detail::ResourceText& t : tableOf(language))
        numbers.push_back(t.id);
    return numbers;
}

QString ResourceServer::substitute(const QString& pattern, std::span<const QString> args) {
    QString result;
    result.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'%' && i + 1 < pattern.size()) {
            const char16_t digit = pattern.at(i + 1).unicode();
            const size_t index = static_cast<size_t>(digit - u'1');
            if (digit >= u'1' && digit <= u'3' && index < args.size()) {
                result += args[index];
                ++i;
                continue;
            }
        }
        result += c;
    }
    return result;
}

} // namespace ol
