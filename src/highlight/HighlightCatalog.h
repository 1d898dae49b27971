// The languages and themes the highlighter offers, with the highlight.js names behind them. Shared
// by the highlighter and by the build tool that bundles exactly these files. Plain data; any thread.
#pragma once

#include <array>
#include <string_view>

namespace lumara::highlight {

enum class HighlightLanguage {
    appleScript, arduino, awk, bash, basic, c, cPlusPlus, cSharp, clojure, css, dart, delphi, diff, django,
    dockerfile, elixir, elm, erlang, gherkin, go, gradle, graphQL, haskell, html, java, javaScript, json, julia,
    kotlin, latex, less, lisp, lua, makefile, markdown, mathematica, matlab, nix, objectiveC, perl, php,
    phpTemplate, plaintext, postgreSQL, protocolBuffers, python, pythonRepl, r, ruby, rust, scala, scss, shell,
    sql, swift, toml, typeScript, visualBasic, webAssembly, yaml,
};
inline constexpr int kHighlightLanguageCount = 60;

enum class HighlightTheme {
    a11y, atomOne, classic, edge, github, google, gradient, grayscale, harmonic16, heetch, horizon, humanoid, ia,
    isblEditor, kimbie, nnfx, pandaSyntax, papercolor, paraiso, qtcreator, silk, solarFlare, solarized,
    stackoverflow, standard, summerfruit, synthMidnightTerminal, tokyoNight, unikitty, xcode,
};
inline constexpr int kHighlightThemeCount = 30;

struct LanguageEntry {
    HighlightLanguage language;
    std::string_view caseName;    // "cPlusPlus"
    std::string_view libraryName; // the name or alias handed to hljs.highlight: "cpp"
    std::string_view grammarFile; // the grammar that defines it: languages/<file>.min.js
};

// Library names follow the case name in lower case except where the library calls the language
// otherwise. PHP templates and WebAssembly are registered as "php-template" and "wasm": the
// shorter names "phptemp" and "webass" are unknown to the library and would fail every request.
inline constexpr std::array<LanguageEntry, kHighlightLanguageCount> kLanguages{{
    {HighlightLanguage::appleScript, "appleScript", "applescript", "applescript"},
    {HighlightLanguage::arduino, "arduino", "arduino", "arduino"},
    {HighlightLanguage::awk, "awk", "awk", "awk"},
    {HighlightLanguage::bash, "bash", "bash", "bash"},
    {HighlightLanguage::basic, "basic", "basic", "basic"},
    {HighlightLanguage::c, "c", "c", "c"},
    {HighlightLanguage::cPlusPlus, "cPlusPlus", "cpp", "cpp"},
    {HighlightLanguage::cSharp, "cSharp", "csharp", "csharp"},
    {HighlightLanguage::clojure, "clojure", "clojure", "clojure"},
    {HighlightLanguage::css, "css", "css", "css"},
    {HighlightLanguage::dart, "dart", "dart", "dart"},
    {HighlightLanguage::delphi, "delphi", "delphi", "delphi"},
    {HighlightLanguage::diff, "diff", "diff", "diff"},
    {HighlightLanguage::django, "django", "django", "django"},
    {HighlightLanguage::dockerfile, "dockerfile", "dockerfile", "dockerfile"},
    {HighlightLanguage::elixir, "elixir", "elixir", "elixir"},
    {HighlightLanguage::elm, "elm", "elm", "elm"},
    {HighlightLanguage::erlang, "erlang", "erlang", "erlang"},
    {HighlightLanguage::gherkin, "gherkin", "gherkin", "gherkin"},
    {HighlightLanguage::go, "go", "go", "go"},
    {HighlightLanguage::gradle, "gradle", "gradle", "gradle"},
    {HighlightLanguage::graphQL, "graphQL", "graphql", "graphql"},
    {HighlightLanguage::haskell, "haskell", "haskell", "haskell"},
    {HighlightLanguage::html, "html", "html", "xml"},
    {HighlightLanguage::java, "java", "java", "java"},
    {HighlightLanguage::javaScript, "javaScript", "javascript", "javascript"},
    {HighlightLanguage::json, "json", "json", "json"},
    {HighlightLanguage::julia, "julia", "julia", "julia"},
    {HighlightLanguage::kotlin, "kotlin", "kotlin", "kotlin"},
    {HighlightLanguage::latex, "latex", "tex", "latex"},
    {HighlightLanguage::less, "less", "less", "less"},
    {HighlightLanguage::lisp, "lisp", "lisp", "lisp"},
    {HighlightLanguage::lua, "lua", "lua", "lua"},
    {HighlightLanguage::makefile, "makefile", "makefile", "makefile"},
    {HighlightLanguage::markdown, "markdown", "markdown", "markdown"},
    {HighlightLanguage::mathematica, "mathematica", "mathematica", "mathematica"},
    {HighlightLanguage::matlab, "matlab", "matlab", "matlab"},
    {HighlightLanguage::nix, "nix", "nix", "nix"},
    {HighlightLanguage::objectiveC, "objectiveC", "objectivec", "objectivec"},
    {HighlightLanguage::perl, "perl", "perl", "perl"},
    {HighlightLanguage::php, "php", "php", "php"},
    {HighlightLanguage::phpTemplate, "phpTemplate", "php-template", "php-template"},
    {HighlightLanguage::plaintext, "plaintext", "plaintext", "plaintext"},
    {HighlightLanguage::postgreSQL, "postgreSQL", "postgresql", "pgsql"},
    {HighlightLanguage::protocolBuffers, "protocolBuffers", "protobuf", "protobuf"},
    {HighlightLanguage::python, "python", "python", "python"},
    {HighlightLanguage::pythonRepl, "pythonRepl", "python-repl", "python-repl"},
    {HighlightLanguage::r, "r", "r", "r"},
    {HighlightLanguage::ruby, "ruby", "ruby", "ruby"},
    {HighlightLanguage::rust, "rust", "rust", "rust"},
    {HighlightLanguage::scala, "scala", "scala", "scala"},
    {HighlightLanguage::scss, "scss", "scss", "scss"},
    {HighlightLanguage::shell, "shell", "shell", "shell"},
    {HighlightLanguage::sql, "sql", "sql", "sql"},
    {HighlightLanguage::swift, "swift", "swift", "swift"},
    {HighlightLanguage::toml, "toml", "toml", "ini"},
    {HighlightLanguage::typeScript, "typeScript", "typescript", "typescript"},
    {HighlightLanguage::visualBasic, "visualBasic", "vbnet", "vbnet"},
    {HighlightLanguage::webAssembly, "webAssembly", "wasm", "wasm"},
    {HighlightLanguage::yaml, "yaml", "yaml", "yaml"},
}};

struct ThemeEntry {
    HighlightTheme theme;
    std::string_view caseName;
    // The library's stylesheets (styles/<name>.min.css) for the dark and the light variant.
    std::string_view darkStylesheet;
    std::string_view lightStylesheet;
};

// Each theme maps to the library's stylesheets of the same name. Without an exact pair:
// `standard` uses the base16 "default" pair, `xcode` has only a light sheet and takes the base16
// "xcode-dusk" sheet as its dark variant, `solarFlare`'s dark sheet is plain "solar-flare".
inline constexpr std::array<ThemeEntry, kHighlightThemeCount> kThemes{{
    {HighlightTheme::a11y, "a11y", "a11y-dark", "a11y-light"},
    {HighlightTheme::atomOne, "atomOne", "atom-one-dark", "atom-one-light"},
    {HighlightTheme::classic, "classic", "base16/classic-dark", "base16/classic-light"},
    {HighlightTheme::edge, "edge", "base16/edge-dark", "base16/edge-light"},
    {HighlightTheme::github, "github", "github-dark", "github"},
    {HighlightTheme::google, "google", "base16/google-dark", "base16/google-light"},
    {HighlightTheme::gradient, "gradient", "gradient-dark", "gradient-light"},
    {HighlightTheme::grayscale, "grayscale", "base16/grayscale-dark", "base16/grayscale-light"},
    {HighlightTheme::harmonic16, "harmonic16", "base16/harmonic16-dark", "base16/harmonic16-light"},
    {HighlightTheme::heetch, "heetch", "base16/heetch-dark", "base16/heetch-light"},
    {HighlightTheme::horizon, "horizon", "base16/horizon-dark", "base16/horizon-light"},
    {HighlightTheme::humanoid, "humanoid", "base16/humanoid-dark", "base16/humanoid-light"},
    {HighlightTheme::ia, "ia", "base16/ia-dark", "base16/ia-light"},
    {HighlightTheme::isblEditor, "isblEditor", "isbl-editor-dark", "isbl-editor-light"},
    {HighlightTheme::kimbie, "kimbie", "kimbie-dark", "kimbie-light"},
    {HighlightTheme::nnfx, "nnfx", "nnfx-dark", "nnfx-light"},
    {HighlightTheme::pandaSyntax, "pandaSyntax", "panda-syntax-dark", "panda-syntax-light"},
    {HighlightTheme::papercolor, "papercolor", "base16/papercolor-dark", "base16/papercolor-light"},
    {HighlightTheme::paraiso, "paraiso", "paraiso-dark", "paraiso-light"},
    {HighlightTheme::qtcreator, "qtcreator", "qtcreator-dark", "qtcreator-light"},
    {HighlightTheme::silk, "silk", "base16/silk-dark", "base16/silk-light"},
    {HighlightTheme::solarFlare, "solarFlare", "base16/solar-flare", "base16/solar-flare-light"},
    {HighlightTheme::solarized, "solarized", "base16/solarized-dark", "base16/solarized-light"},
    {HighlightTheme::stackoverflow, "stackoverflow", "stackoverflow-dark", "stackoverflow-light"},
    {HighlightTheme::standard, "standard", "base16/default-dark", "base16/default-light"},
    {HighlightTheme::summerfruit, "summerfruit", "base16/summerfruit-dark", "base16/summerfruit-light"},
    {HighlightTheme::synthMidnightTerminal, "synthMidnightTerminal", "base16/synth-midnight-terminal-dark",
     "base16/synth-midnight-terminal-light"},
    {HighlightTheme::tokyoNight, "tokyoNight", "tokyo-night-dark", "tokyo-night-light"},
    {HighlightTheme::unikitty, "unikitty", "base16/unikitty-dark", "base16/unikitty-light"},
    {HighlightTheme::xcode, "xcode", "base16/xcode-dusk", "xcode"},
}};

inline constexpr const LanguageEntry& languageEntry(HighlightLanguage language) { return kLanguages[static_cast<int>(language)]; }
inline constexpr const ThemeEntry& themeEntry(HighlightTheme theme) { return kThemes[static_cast<int>(theme)]; }

} // namespace lumara::highlight
