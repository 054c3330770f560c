#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include <QString>

namespace ol {

// User-interface languages, as Windows primary language numbers.
inline constexpr int kLanguageGerman = 7;
inline constexpr int kLanguageEnglish = 9;

// The font the windows use for a language (family, size in points and the
// Windows character-set number of the script).
struct UiFont {
    QString family;
    double pointSize = 0.0;
    int charSet = 0;
};

namespace detail {
inline QString resourceArgument(const QString& s) {
    return s;
}
inline QString resourceArgument(QStringView s) {
    return s.toString();
}
inline QString resourceArgument(QLatin1StringView s) {
    return QString(s);
}
inline QString resourceArgument(const char16_t* s) {
    return QString::fromUtf16(s);
}
template <std::integral T> QString resourceArgument(T n) {
    return QString::number(n);
}
// Doubles are formatted by the caller (general number format, the cell's
// format), never here.
QString resourceArgument(double) = delete;
} // namespace detail

// The texts of the user interface, looked up by number, in English or German.
// A text may hold %1, %2 and %3, which text() replaces by its arguments.
class ResourceServer {
public:
    using MissingTextHandler = std::function<void(int id, int language)>;

    // A server for the given language; a language without texts of its own
    // gets English.
    explicit ResourceServer(int language = kLanguageEnglish, QString productName = QStringLiteral("Selvane8"));

    // The factory the add-in's library offers: a server for a product and a
    // language setting string (see settingString()).
    static std::unique_ptr<ResourceServer> create(const QString& productName, const QString& settingString);

    // The language setting kept for a product: $SELVANE_LANGUAGE when it
    // names a language, else the value stored with storeLanguageSetting(),
    // else 0 (not set, which means English).
    static int32_t languageSetting(int productIndex);
    // Stores the add-in's language choice for a product in the user's
    // settings file, for processes started later. False when it could not be
    // written.
    static bool storeLanguageSetting(int productIndex, int32_t language);
    // The setting as a string for create(): "en", "de", another language's
    // number, or "" when not set.
    static QString settingString(int32_t setting);
    // The language a text names: "de", "de_DE.UTF-8", "German", "deutsch",
    // "7" -> 7; "en", "en_US", "english", "9" -> 9; other numbers as they are;
    // 0 for anything else.
    static int parseLanguage(const QString& text);
    // True for the languages with texts of their own.
    static bool isSupported(int language);

    int language() const noexcept { return m_language; }
    // Switches the language; one without texts of its own gives English.
    void setLanguage(int language);
    const QString& productName() const noexcept { return m_productName; }

    // The text of number id with up to three arguments (strings or whole
    // numbers) put in for %1..%3. A number without a text in the current
    // language is reported to the missing-text handler and the English text
    // is used; without that too the result is "[missing text <id>]". Never
    // throws for a missing text.
    template <class... Args> QString text(int id, const Args&... args) const {
        static_assert(sizeof...(Args) <= 3, "a resource text takes at most three arguments");
        const std::array<QString, sizeof...(Args)> list{detail::resourceArgument(args)...};
        return textWithArguments(id, list);
    }
    QString textWithArguments(int id, std::span<const QString> args) const;

    // Called with the number and language of every text asked for but missing.
    void setMissingTextHandler(MissingTextHandler handler);

    // The user-interface font of the current language.
    UiFont uiFont() const { return uiFontFor(m_language); }
    static UiFont uiFontFor(int language);

    // The tables themselves, for checks of their completeness.
    static bool hasText(int id, int language);
    static std::optional<QString> rawText(int id, int language);
    static std::vector<int> textNumbers(int language);

    // Replaces %1..%3 in pattern by args[0..2] in one pass (an argument that
    // contains "%2" is not substituted again). A placeholder without an
    // argument stays as it is; any other '%' is kept.
    static QString substitute(const QString& pattern, std::span<const QString> args);

private:
    int m_language;
    QString m_productName;
    MissingTextHandler m_onMissingText;
};

} // namespace ol
