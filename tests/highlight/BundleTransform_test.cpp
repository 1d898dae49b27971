// The build-time adaptation of highlight.js: each step on small scripts, including the shapes the
// release uses, and the failures that stop the build when a release no longer matches.
#include "highlight/bundle/BundleTransform.h"
#include "highlight/bundle/UnicodeTables.h"

#include <gtest/gtest.h>

using namespace lumara::highlight::bundle;

TEST(BundleTransform, DefaultExportBecomesAGlobal)
{
    auto out = exposeDefaultExport("const te=ee({});te.newInstance=()=>ee({});export{te as default};\n", "hljs");
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(*out, "const te=ee({});te.newInstance=()=>ee({});var hljs=te;\n");

    for (const char* broken : {"var x=1;", "export{a as default};export{b as default};", "export{ as default};", "export{a};"})
        EXPECT_FALSE(exposeDefaultExport(broken, "hljs").ok()) << broken;
}

TEST(BundleTransform, NullPrototypeEntriesOpeningALiteralAreDropped)
{
    struct Case {
        const char* in;
        const char* out;
        int count;
    };
    for (const Case& c : {
             Case{"Object.freeze({__proto__:null,A:1,B:k})", "Object.freeze({A:1,B:k})", 1},
             Case{"x={\n__proto__:null,A:1}", "x={\nA:1}", 1},
             Case{"x={__proto__:null}", "x={}", 1},
             // Not the first entry of a literal, or not null: left alone.
             Case{"x={a:1,__proto__:null}", "x={a:1,__proto__:null}", 0},
             Case{"x={__proto__:nullish}", "x={__proto__:nullish}", 0},
             Case{"s='__proto__:null'", "s='__proto__:null'", 0},
         }) {
        auto out = dropNullPrototypeEntries(c.in, c.count);
        ASSERT_TRUE(out.ok()) << c.in;
        EXPECT_EQ(*out, c.out);
        EXPECT_FALSE(dropNullPrototypeEntries(c.in, c.count + 1).ok()) << "a changed count must fail: " << c.in;
    }
}

TEST(BundleTransform, PropertyEscapesBecomeExplicitClasses)
{
    const std::vector<UnicodeProperty> properties{{"L", {{0x41, 0x5A}, {0xE9, 0xE9}, {0x10000, 0x1000B}}}, {"S", {{0x24, 0x24}}}};
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : {
             // In a regular expression literal, inside and outside a class.
             Case{R"(a=/[\p{L}0-9_.-]*/u)", R"(a=/[\u0041-\u005A\u00E90-9_.-]*/u)"},
             Case{R"(a=/\p{L}+/u)", R"(a=/[\u0041-\u005A\u00E9]+/u)"},
             // In a string literal that becomes a pattern: doubled backslashes, escaped brackets.
             Case{R"js(i="(?!([(),;\\[\\]`|{}]|[_:\"']))(\\p{S}|\\p{L})")js",
                  R"js(i="(?!([(),;\\[\\]`|{}]|[_:\"']))([\\u0024]|[\\u0041-\\u005A\\u00E9])")js"},
             Case{"no escapes here", "no escapes here"},
         }) {
        int count = -1;
        auto out = expandPropertyEscapes(c.in, properties, &count);
        ASSERT_TRUE(out.ok()) << c.in;
        EXPECT_EQ(*out, c.out); // the supplementary range is dropped: the engine cannot match above U+FFFF
    }
    EXPECT_FALSE(expandPropertyEscapes(R"(/\p{Greek}/u)", properties).ok());
    EXPECT_FALSE(expandPropertyEscapes(R"(/\P{L}/u)", properties).ok());
}

TEST(UnicodeTables, PropertiesHoldTheCharactersTheyName)
{
    auto contains = [](const CodePointRanges& ranges, char32_t cp) {
        for (const auto& [a, b] : ranges)
            if (cp >= a && cp <= b) return true;
        return false;
    };
    const auto properties = bundledUnicodeProperties();
    auto find = [&](const char* name) -> const CodePointRanges& {
        for (const auto& p : properties)
            if (p.name == name) return p.ranges;
        ADD_FAILURE() << name;
        return properties.front().ranges;
    };
    struct Case {
        const char* property;
        char32_t in;
        char32_t out;
    };
    for (const Case& c : {Case{"L", U'é', U'1'}, Case{"L", U'Ж', U'_'}, Case{"P", U'!', U'a'}, Case{"P", U'«', U'+'},
                          Case{"S", U'+', U'!'}, Case{"S", U'€', U'e'}, Case{"XID_Start", U'a', U'1'},
                          Case{"XID_Continue", U'1', U'-'}, Case{"XID_Continue", U'_', U' '}}) {
        EXPECT_TRUE(contains(find(c.property), c.in)) << c.property << " " << unsigned(c.in);
        EXPECT_FALSE(contains(find(c.property), c.out)) << c.property << " " << unsigned(c.out);
    }
}

TEST(BundleTransform, UnicodeModeIsTurnedOffWhereGrammarsAskForIt)
{
    auto out = disableUnicodeMode("{name:\"Python\",unicodeRegex:!0,k:1};{unicodeRegex:!0}", 2);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(*out, "{name:\"Python\",unicodeRegex:!1,k:1};{unicodeRegex:!1}");
    EXPECT_FALSE(disableUnicodeMode("{unicodeRegex:!0}", 2).ok());
    EXPECT_FALSE(disableUnicodeMode("e.unicodeRegex?\"u\":\"\"", 1).ok()); // the core's test of the option is not an option
}
