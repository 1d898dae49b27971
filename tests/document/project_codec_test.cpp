// Configuration and project records in both containers: round trips, fallbacks, interop with an
// independent property-list implementation, and hostile input.
#include "document/ProjectCodec.h"
#include "document/ProjectSchema.h"
#include "model/OrbFields.h"
#include "support/PlistFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace lumara;
using lumara::test::runPython;

namespace {

OrbValues unusualValues()
{
    OrbValues v;
    v.backgroundColors = {{0.1, -0.0, 2.5, 0.25}};
    v.glowColor = {0.3, 0.4, 0.5, 0.6};
    v.coloredBlobs = true;
    v.gradientType = GradientType::angular;
    v.gradientAngle = -720.125;
    v.orbSize = 280.4;
    v.blobCount = -3;
    v.complexity = std::numeric_limits<std::int64_t>::max();
    v.blobBlendMode = BlobBlendMode::softLight;
    v.shadowRadius = 0;
    v.edgeSoftness = 1;
    v.showWavyBlobs = false;
    return v;
}

OrbProjectData threeStates()
{
    OrbProjectData p;
    p.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB", "Default", OrbValues{}});
    p.states.push_back({"11111111-2222-3333-4444-555555555555", "Ros\u00e9 \u2728", unusualValues()});
    OrbValues empty;
    empty.backgroundColors.clear();
    p.states.push_back({"AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE", "State 3", empty});
    p.selectedStateIndex = 1;
    p.transitionDuration = 1.25;
    return p;
}

std::string jsonOf(const schema::Record& r) { return r.dump(); }

} // namespace

TEST(ProjectCodec, ConfigurationKeysAreWrittenInDeclarationOrder)
{
    const auto record = schema::encode(OrbValues{});
    std::vector<std::string> keys;
    for (auto it = record.begin(); it != record.end(); ++it) keys.push_back(it.key());
    const std::vector<std::string> expected{
        "backgroundColors", "glowColor",   "coloredBlobs",  "gradientType",  "gradientAngle",  "backgroundBlur",
        "orbSize",          "cornerRadius", "blobCount",    "complexity",    "amplitude",      "blobScale",
        "blobSpread",       "blobOpacity", "blobBlur",      "blobBlendMode", "speed",          "glowIntensity",
        "glowSoftness",     "innerRingWidth", "shadowRadius", "edgeSoftness", "showBackground", "showWavyBlobs",
        "showGlowEffects",  "showShadow"};
    EXPECT_EQ(keys, expected);
    auto json = encodeProject(threeStates(), Container::json);
    ASSERT_TRUE(json);
    EXPECT_EQ(json->rfind("{\"states\":[{\"id\":\"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB\",\"name\":\"Default\",\"config\":{", 0), 0u);
    EXPECT_NE(json->find("\"selectedStateIndex\":1,\"transitionDuration\":1.25}"), std::string::npos);
    EXPECT_EQ(json->find(' ', json->find("\"selectedStateIndex\"")), std::string::npos) << "compact JSON";
}

TEST(ProjectCodec, MissingShadowRadiusOrEdgeSoftnessFallBackAndAnyOtherMissingKeyFailsTheDecode)
{
    const auto full = schema::encode(unusualValues()); // neither of the two at its default
    for (auto it = full.begin(); it != full.end(); ++it) {
        auto record = full;
        record.erase(it.key());
        auto v = decodeConfiguration(jsonOf(record), Container::json);
        if (it.key() == "shadowRadius" || it.key() == "edgeSoftness") {
            ASSERT_TRUE(v) << it.key();
            OrbValues expected = unusualValues();
            if (it.key() == "shadowRadius") expected.shadowRadius = 1.0;
            else expected.edgeSoftness = 0.0;
            EXPECT_EQ(*v, expected) << it.key();
            continue;
        }
        ASSERT_FALSE(v) << it.key();
        EXPECT_EQ(v.error().code, CodecError::missingKey) << it.key();
    }
    auto colorless = full;
    colorless["glowColor"].erase("opacity");
    EXPECT_FALSE(decodeConfiguration(jsonOf(colorless), Container::json));
}

TEST(ProjectCodec, WrongTypesAndUnknownEnumValuesAreRefused)
{
    struct Case {
        const char* key;
        schema::Record value;
        CodecError code;
    };
    const std::vector<Case> cases{
        {"gradientType", 3, CodecError::badEnumValue},
        {"gradientType", -1, CodecError::badEnumValue},
        {"blobBlendMode", 5, CodecError::badEnumValue},
        {"blobCount", "2", CodecError::wrongType},
        {"blobCount", 2.5, CodecError::wrongType},
        {"blobCount", 1e30, CodecError::wrongType},
        {"speed", "60", CodecError::wrongType},
        {"showShadow", 1, CodecError::wrongType},
        {"coloredBlobs", nullptr, CodecError::wrongType},
        {"backgroundColors", schema::Record::object(), CodecError::wrongType},
        {"glowColor", schema::Record::array(), CodecError::wrongType},
    };
    for (const Case& c : cases) {
        auto record = schema::encode(OrbValues{});
        record[c.key] = c.value;
        auto v = decodeConfiguration(jsonOf(record), Container::json);
        ASSERT_FALSE(v) << c.key << " = " << c.value.dump();
        EXPECT_EQ(v.error().code, c.code) << c.key << " = " << c.value.dump();
    }
}

TEST(ProjectCodec, LenientNumbersAndExtraKeysAreAccepted)
{
    auto record = schema::encode(OrbValues{});
    record["speed"] = 61;          // an integer where a real belongs
    record["blobCount"] = 4.0;     // an integral real where an integer belongs
    record["futureField"] = "ignored";
    auto v = decodeConfiguration(jsonOf(record), Container::json);
    ASSERT_TRUE(v) << v.error().message;
    EXPECT_EQ(v->speed, 61.0);
    EXPECT_EQ(v->blobCount, 4);
}

TEST(ProjectCodec, StatesWithoutIdGetFreshDistinctIdsAndWithoutNameFail)
{
    auto project = schema::encode(threeStates());
    project["states"][0].erase("id");
    project["states"][1].erase("id");
    auto back = decodeProject(jsonOf(project), Container::json);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->states[0].id.size(), 36u);
    EXPECT_NE(back->states[0].id, back->states[1].id);

    project["states"][2].erase("name");
    auto failed = decodeProject(jsonOf(project), Container::json);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().code, CodecError::missingKey);

    auto lowerId = schema::encode(threeStates());
    lowerId["states"][0]["id"] = "6f1c3f0e-1d2b-4c6e-9a55-0123456789ab";
    auto lower = decodeProject(jsonOf(lowerId), Container::json);
    ASSERT_TRUE(lower);
    EXPECT_EQ(lower->states[0].id, "6F1C3F0E-1D2B-4C6E-9A55-0123456789AB");

    lowerId["states"][0]["id"] = "not a uuid";
    EXPECT_FALSE(decodeProject(jsonOf(lowerId), Container::json));
}

TEST(ProjectFile, OpensProjectsAndSingleConfigurationsByContent)
{
    // A project whose selected index lies beyond the last state opens on the last state.
    OrbProjectData stored = threeStates();
    stored.selectedStateIndex = 5;
    for (Container c : {Container::propertyList, Container::json}) {
        auto opened = decodeProjectFile(*encodeProject(stored, c), 9.0);
        ASSERT_TRUE(opened);
        EXPECT_FALSE(opened->fromSingleConfiguration);
        EXPECT_EQ(opened->project.selectedStateIndex, 2);
        EXPECT_EQ(opened->project.transitionDuration, 1.25);

        auto single = decodeProjectFile(*encodeConfiguration(unusualValues(), c), 9.0);
        ASSERT_TRUE(single);
        EXPECT_TRUE(single->fromSingleConfiguration);
        ASSERT_EQ(single->project.states.size(), 1u);
        EXPECT_EQ(single->project.states[0].name, "Default");
        EXPECT_EQ(single->project.states[0].config, unusualValues());
        EXPECT_EQ(single->project.transitionDuration, 9.0) << "keeps the present transition duration";
    }
    // A negative stored index is kept as it is; readers clamp it.
    stored.selectedStateIndex = -4;
    EXPECT_EQ(decodeProjectFile(*encodeProject(stored, Container::json), 0.6)->project.selectedStateIndex, -4);
    // A project without states is not a configuration either.
    auto empty = decodeProjectFile(*encodeProject(OrbProjectData{}, Container::propertyList), 0.6);
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().code, CodecError::noStates);
}

TEST(ProjectFile, NumbersNoRecordCanHoldAreRefused)
{
    // plistlib stores NaN and infinity, which JSON cannot hold, and integers beyond 64 bits: such
    // files are refused with a clear error rather than poisoning the autosave.
    const std::pair<const char*, CodecError> cases[] = {{"c['speed'] = float('nan')", CodecError::nonFinite},
                                                        {"c['speed'] = float('inf')", CodecError::nonFinite},
                                                        {"c['speed'] = -float('inf')", CodecError::nonFinite},
                                                        {"c['blobCount'] = 2**64 - 1", CodecError::wrongType}};
    for (const auto& [setup, code] : cases) {
        auto opened = decodeProjectFile(test::plistlibBinary("c", setup), 0.6);
        ASSERT_FALSE(opened) << setup;
        EXPECT_EQ(opened.error().code, code) << setup;
    }
    OrbValues nan;
    nan.blobBlur = std::nan("");
    auto encoded = encodeConfiguration(nan, Container::json);
    ASSERT_FALSE(encoded);
    EXPECT_EQ(encoded.error().code, CodecError::nonFinite);
}

TEST(PlistInterop, FilesWrittenByPlistlibLoadFaithfully)
{
    auto opened = decodeProjectFile(test::plistlibBinary("{'states': [{'id': '6f1c3f0e-1d2b-4c6e-9a55-0123456789ab', "
                                                         "'name': 'Ros\\u00e9', 'config': c}, {'name': 'No id', 'config': c}], "
                                                         "'selectedStateIndex': 1, 'transitionDuration': 2}"),
                                    0.6);
    ASSERT_TRUE(opened) << opened.error().message;
    const OrbProjectData& p = opened->project;
    ASSERT_EQ(p.states.size(), 2u);
    EXPECT_EQ(p.states[0].id, "6F1C3F0E-1D2B-4C6E-9A55-0123456789AB");
    EXPECT_EQ(p.states[0].name, "Ros\u00e9");
    EXPECT_EQ(p.states[1].name, "No id");
    EXPECT_EQ(p.transitionDuration, 2.0) << "an integer where a real belongs";
    const OrbValues& v = p.states[0].config;
    EXPECT_EQ(v.blobCount, -7) << "negative integers survive";
    EXPECT_EQ(v.blobSpread, -0.3);
    EXPECT_EQ(v.gradientType, GradientType::angular);
    EXPECT_EQ(v.blobBlendMode, BlobBlendMode::softLight);
    EXPECT_FALSE(v.showWavyBlobs);
    EXPECT_EQ(v.glowColor, (CodableColor{1.0, 0.9, 0.8, 0.5}));
}

TEST(PlistInterop, FilesWeWriteAreReadByPlistlib)
{
    const OrbProjectData project = threeStates();
    auto bytes = encodeProject(project, Container::propertyList);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->rfind("bplist00", 0), 0u);
    // plistlib re-emits what it read as JSON (with key order), which we compare to our JSON.
    const std::string script =
        "import plistlib, sys, json\n"
        "p = plistlib.loads(sys.stdin.buffer.read())\n"
        "assert isinstance(p['states'][1]['config']['blobCount'], int)\n"
        "assert isinstance(p['states'][1]['config']['orbSize'], float)\n"
        "assert isinstance(p['states'][1]['config']['coloredBlobs'], bool)\n"
        "sys.stdout.write(json.dumps(p, separators=(',', ':'), ensure_ascii=False))\n";
    const std::string out = runPython(script, *bytes);
    auto fromPython = decodeProject(out, Container::json);
    ASSERT_TRUE(fromPython) << out;
    EXPECT_EQ(*fromPython, project);
    EXPECT_NE(out.find("\"blobCount\":-3"), std::string::npos);
    EXPECT_NE(out.find("Ros\u00e9 \u2728"), std::string::npos);
}

TEST(HostileInput, MalformedBytesFailCleanly)
{
    std::string valid = *encodeProject(threeStates(), Container::propertyList);
    std::vector<std::string> inputs{"", "bplist00", "bplist00" + std::string(40, '\0'), "{", "[1,2", "null", "42",
                                    std::string("\xff\xfe\x00\x01", 4), "{\"states\": 7}"};
    // Every truncation of a valid file, and single-byte corruptions throughout it.
    for (std::size_t n = 0; n < valid.size(); n += 7) inputs.push_back(valid.substr(0, n));
    for (std::size_t i = 0; i < valid.size(); i += 3) {
        std::string corrupt = valid;
        corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5A);
        inputs.push_back(corrupt);
    }
    int failures = 0;
    for (const std::string& bytes : inputs) failures += decodeProjectFile(bytes, 0.6) ? 0 : 1;
    EXPECT_GT(failures, static_cast<int>(inputs.size()) / 2);
}

namespace {

// A binary property list laid out by hand: objects in order, 1-byte refs and offsets unless set.
std::string buildPlist(const std::vector<std::string>& objects, std::uint64_t top = 0, unsigned refSize = 1)
{
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const std::string& o : objects) {
        offsets.push_back(out.size());
        out += o;
    }
    const std::uint64_t tableOffset = out.size();
    unsigned offsetSize = tableOffset < 256 ? 1 : (tableOffset < 65536 ? 2 : 4);
    for (std::uint64_t off : offsets)
        for (int b = static_cast<int>(offsetSize) - 1; b >= 0; --b) out += static_cast<char>((off >> (8 * b)) & 0xFF);
    std::string trailer(32, '\0');
    trailer[6] = static_cast<char>(offsetSize);
    trailer[7] = static_cast<char>(refSize);
    auto put = [&](int at, std::uint64_t v) {
        for (int b = 0; b < 8; ++b) trailer[at + b] = static_cast<char>((v >> (8 * (7 - b))) & 0xFF);
    };
    put(8, objects.size());
    put(16, top);
    put(24, tableOffset);
    return out + trailer;
}

// An array marker of `count` (< 15) elements followed by its references.
std::string array(std::initializer_list<std::string> refs)
{
    std::string s(1, static_cast<char>(0xA0 | refs.size()));
    for (const std::string& r : refs) s += r;
    return s;
}

std::string ref(std::uint64_t index, unsigned size = 1)
{
    std::string s;
    for (int b = static_cast<int>(size) - 1; b >= 0; --b) s += static_cast<char>((index >> (8 * b)) & 0xFF);
    return s;
}

} // namespace

TEST(HostileInput, PropertyListGraphAttacksAreRefused)
{
    struct Case {
        const char* what;
        std::string bytes;
        CodecError code;
    };
    std::vector<Case> cases;
    // An array that contains itself.
    cases.push_back({"self-cycle", buildPlist({array({ref(0)})}), CodecError::notParseable});
    // Two arrays that contain each other.
    cases.push_back({"two-cycle", buildPlist({array({ref(1)}), array({ref(0)})}), CodecError::notParseable});
    // A reference past the object table.
    cases.push_back({"dangling ref", buildPlist({array({ref(9)})}), CodecError::notParseable});
    // A chain of 10,000 nested arrays.
    {
        std::vector<std::string> chain;
        for (int i = 0; i < 10000; ++i) chain.push_back(i + 1 < 10000 ? array({ref(i + 1, 2)}) : std::string("\x08", 1));
        cases.push_back({"deep nesting", buildPlist(chain, 0, 2), CodecError::tooDeep});
    }
    // 40 levels of an array holding its child twice: 2^40 nodes once shared refs are expanded.
    {
        std::vector<std::string> dag;
        for (int i = 0; i < 40; ++i) dag.push_back(array({ref(i + 1), ref(i + 1)}));
        dag.push_back(std::string("\x09", 1));
        cases.push_back({"exponential sharing", buildPlist(dag), CodecError::tooLarge});
    }
    // An array claiming 2^40 elements.
    cases.push_back({"absurd count", buildPlist({std::string("\xAF\x13\x00\x00\x01\x00\x00\x00\x00\x00", 10)}),
                     CodecError::notParseable});
    // A 128-bit integer (as plistlib writes values of 2^63 and above).
    {
        std::string wide(17, '\x01');
        wide[0] = '\x14';
        cases.push_back({"wide integer", buildPlist({wide}), CodecError::wrongType});
    }
    // Trailer whose offset table lies beyond the file.
    {
        std::string b = buildPlist({"\x09"});
        b[b.size() - 1] = '\x7F';
        cases.push_back({"table out of range", b, CodecError::notParseable});
    }
    for (const Case& c : cases) {
        auto opened = decodeProjectFile(c.bytes, 0.6);
        ASSERT_FALSE(opened) << c.what;
        EXPECT_EQ(opened.error().code, c.code) << c.what << ": " << opened.error().message;
    }
}

TEST(HostileInput, JsonBombsAreBounded)
{
    EXPECT_EQ(decodeProjectFile(std::string(100000, '[') + std::string(100000, ']'), 0.6).error().code, CodecError::tooDeep);
    std::string wide = "[";
    for (std::size_t i = 0; i < kMaxRecordValues; ++i) wide += "0,";
    wide += "0]";
    EXPECT_EQ(decodeProjectFile(wide, 0.6).error().code, CodecError::tooLarge);
    EXPECT_EQ(decodeProjectFile(std::string(kMaxRecordBytes + 1, ' '), 0.6).error().code, CodecError::tooLarge);
    auto bigInt = schema::encode(OrbValues{}).dump();
    bigInt.replace(bigInt.find("\"blobCount\":2"), 13, "\"blobCount\":123456789012345678901234567890");
    EXPECT_EQ(decodeProjectFile(bigInt, 0.6).error().code, CodecError::wrongType);
}

namespace {

// The largest project the program accepts: every limit reached at once, names of multi-byte
// characters and of control characters (six bytes each in JSON).
OrbProjectData largestProject()
{
    OrbProjectData project;
    OrbValues values;
    values.backgroundColors.assign(kMaxBackgroundColors, CodableColor{0.123456789012345, 0.987654321098765, 1.0 / 3.0, 2.0 / 3.0});
    std::vector<std::string> everyField;
    forEachOrbField([&](const auto& field) { everyField.emplace_back(field.key); });
    for (std::size_t i = 0; i < kMaxStates; ++i) {
        std::string name;
        for (std::size_t k = 0; k < kMaxStateNameBytes / 2; ++k) name += i % 3 == 0 ? "\u00e9" : i % 3 == 1 ? "\x01\x02" : "xy";
        project.states.push_back({makeStateId(), name, values, everyField});
    }
    project.selectedStateIndex = static_cast<std::int64_t>(kMaxStates) - 1;
    return project;
}

} // namespace

TEST(ProjectCodec, ProjectsUpToTheLimitsRoundTripThroughBothContainers)
{
    for (const OrbProjectData& project : {threeStates(), largestProject()}) {
        for (Container container : {Container::propertyList, Container::json}) {
            SCOPED_TRACE(std::to_string(project.states.size()) + (container == Container::json ? " states, JSON" : " states, property list"));
            auto bytes = encodeProject(project, container);
            ASSERT_TRUE(bytes) << bytes.error().message;
            EXPECT_LT(bytes->size(), kMaxRecordBytes);
            EXPECT_EQ(sniffContainer(*bytes), container);
            auto decoded = decodeProject(*bytes, container);
            ASSERT_TRUE(decoded) << decoded.error().message;
            EXPECT_EQ(*decoded, project);
            auto opened = decodeProjectFile(*bytes, 0.6);
            ASSERT_TRUE(opened) << opened.error().message;
            EXPECT_EQ(opened->project, project);
        }
    }
}

TEST(ProjectLimits, WritersRefuseWhatReadersWouldRefuseAndReadersSayWhy)
{
    struct Case {
        const char* name;
        std::function<void(OrbProjectData&)> exceed;
        const char* mentions;
    };
    const Case cases[] = {
        {"states", [](OrbProjectData& p) { p.states.resize(kMaxStates + 1, p.states.front()); }, "1001 states"},
        {"colours", [](OrbProjectData& p) { p.states.front().config.backgroundColors.resize(kMaxBackgroundColors + 1); },
         "33 background colours"},
        {"name", [](OrbProjectData& p) { p.states.front().name = std::string(kMaxStateNameBytes + 1, 'n'); }, "257 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OrbProjectData project;
        project.states.push_back({makeStateId(), "Default", OrbValues{}});
        c.exceed(project);
        for (Container container : {Container::propertyList, Container::json}) {
            auto refused = encodeProject(project, container);
            ASSERT_FALSE(refused);
            EXPECT_EQ(refused.error().code, CodecError::tooLarge);
            EXPECT_NE(refused.error().message.find(c.mentions), std::string::npos) << refused.error().message;
        }
        // A file from elsewhere beyond the limits is refused by the reader with the same reason.
        auto record = schema::encode(project);
        auto read = schema::decodeProject(record);
        ASSERT_FALSE(read);
        EXPECT_NE(read.error().message.find(c.mentions), std::string::npos) << read.error().message;
    }
}

TEST(ProjectCodec, LockedParametersAreWrittenOnlyWhenSetAndReadBackInKeyOrder)
{
    OrbProjectData project;
    project.states.push_back({makeStateId(), "Plain", OrbValues{}});
    project.states.push_back({makeStateId(), "Locked", OrbValues{}, {"glowColor", "speed"}});
    for (Container container : {Container::propertyList, Container::json}) {
        auto bytes = encodeProject(project, container);
        ASSERT_TRUE(bytes);
        auto decoded = decodeProject(*bytes, container);
        ASSERT_TRUE(decoded) << decoded.error().message;
        EXPECT_EQ(*decoded, project);
    }
    const std::string json = *encodeProject(project, Container::json);
    EXPECT_EQ(json.find("lockedParameters"), json.rfind("lockedParameters")) << "only the state that locks writes the key";
    EXPECT_NE(json.find(R"("lockedParameters":["glowColor","speed"])"), std::string::npos) << json;

    // What an edited or newer file may hold: duplicates, another order, names this version does not know.
    auto read = [](const std::string& locks) {
        const std::string record = R"({"states":[{"id":"6B1A2C3D-0000-4000-8000-000000000001","name":"A","config":)" +
                                   *encodeConfiguration(OrbValues{}, Container::json) + R"(,"lockedParameters":)" + locks +
                                   R"(}],"selectedStateIndex":0,"transitionDuration":0.6})";
        return decodeProject(record, Container::json);
    };
    auto lenient = read(R"(["speed","futureField","backgroundColors","speed"])");
    ASSERT_TRUE(lenient) << lenient.error().message;
    EXPECT_EQ(lenient->states[0].lockedParameters, (std::vector<std::string>{"backgroundColors", "speed"}));
    for (const std::string& bad : {std::string(R"("speed")"), std::string(R"([1])"), std::string(R"([{"a":1}])")}) {
        auto refused = read(bad);
        ASSERT_FALSE(refused) << bad;
        EXPECT_EQ(refused.error().code, CodecError::wrongType) << bad;
    }
    std::string many = "[";
    for (std::size_t i = 0; i <= kMaxLockedParameters; ++i) many += std::string(i ? "," : "") + "\"speed\"";
    auto tooMany = read(many + "]");
    ASSERT_FALSE(tooMany);
    EXPECT_EQ(tooMany.error().code, CodecError::tooLarge);
}
