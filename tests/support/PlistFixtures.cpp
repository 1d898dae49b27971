// Python-backed fixtures for property-list interop tests.
#include "support/PlistFixtures.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace lumara::test {

std::string runPython(const std::string& script, const std::string& input)
{
    const ProcessResult r = runProcess("python3", {"-c", script}, input, 60);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
}

std::string pythonConfigurationLiteral()
{
    return R"({"backgroundColors": [{"red": 0.1, "green": 0.2, "blue": 0.3, "opacity": 1.0}],
 "glowColor": {"red": 1.0, "green": 0.9, "blue": 0.8, "opacity": 0.5},
 "coloredBlobs": True, "gradientType": 2, "gradientAngle": 45.5, "backgroundBlur": 3.0,
 "orbSize": 300.0, "cornerRadius": 0.5, "blobCount": -7, "complexity": 9, "amplitude": 0.2,
 "blobScale": 1.1, "blobSpread": -0.3, "blobOpacity": 0.6, "blobBlur": 2.0, "blobBlendMode": 4,
 "speed": 33.0, "glowIntensity": 1.2, "glowSoftness": 0.7, "innerRingWidth": 0.0,
 "shadowRadius": 1.5, "edgeSoftness": 0.25, "showBackground": True, "showWavyBlobs": False,
 "showGlowEffects": True, "showShadow": False})";
}

std::string plistlibBinary(const std::string& top, const std::string& setup)
{
    return runPython("import plistlib, sys\nc = " + pythonConfigurationLiteral() + "\n" + setup +
                     "\nsys.stdout.buffer.write(plistlib.dumps(" + top + ", fmt=plistlib.FMT_BINARY))\n");
}

} // namespace lumara::test
