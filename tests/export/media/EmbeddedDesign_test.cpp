// Exported animations that carry their design: other programs (ffprobe, ffmpeg, Chromium) read
// them exactly as they read the same export without one, and the design reads back whole.
#include "export/media/AnimatedExport.h"

#include "document/ProjectCodec.h"
#include "support/HeadlessChromium.h"
#include "support/MediaProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <iostream>

using namespace lumara;
using namespace lumara::exporting;
using namespace lumara::test;

TEST(EmbeddedDesign, EveryFormatDecodesAsWithoutItAndCarriesTheProject)
{
    OrbProjectData project;
    OrbValues values;
    values.orbSize = 16;
    project.states.push_back({"6F1C3F0E-1D2B-4C6E-9A55-0123456789AB", "Ünïcode ✨", values});
    project.transitionDuration = 0.8;
    const std::string design = *encodeEmbeddedProject(project);
    MotionSettings motion;
    motion.duration = 0.5;
    motion.fps = 10;
    motion.scale = 2.0;

    QTemporaryDir dir;
    std::vector<std::pair<std::string, std::string>> images; // browser type, file bytes
    for (const AnimatedExportFormat format : kAllAnimatedExportFormats) {
        const std::string name(animatedExportFormatRawValue(format));
        SCOPED_TRACE(name);
        const std::string extension(animatedExportFormatExtension(format));
        const std::string plain = dir.filePath(QString::fromStdString("plain." + extension)).toStdString();
        const std::string carrying = dir.filePath(QString::fromStdString("design." + extension)).toStdString();
        AnimationExportOptions options;
        options.embeddedProject = design;
        ASSERT_TRUE(exportAnimation(values, format, motion, carrying, options).ok());
        options.embeddedProject.clear();
        ASSERT_TRUE(exportAnimation(values, format, motion, plain, options).ok());

        auto withDesign = probeVideo(carrying);
        auto without = probeVideo(plain);
        ASSERT_FALSE(without.empty());
        for (const auto& [key, value] : without) {
            // FFmpeg's APNG reader counts every chunk before the first frame, ours too, as extradata.
            if (format == AnimatedExportFormat::apng && key == "streams.stream.0.extradata_size") continue;
            if (key.rfind("streams.", 0) == 0 || key == "format.duration" || key == "format.nb_streams") {
                EXPECT_EQ(withDesign[key], value) << key;
            }
        }
        EXPECT_EQ(decodeRgba(carrying, 32, 32), decodeRgba(plain, 32, 32));

        const std::string bytes = readBytes(carrying);
        auto opened = decodeProjectFile(bytes, 0.6);
        ASSERT_TRUE(opened) << opened.error().message;
        EXPECT_EQ(opened->project, project);
        auto bare = decodeProjectFile(readBytes(plain), 0.6);
        ASSERT_FALSE(bare);
        EXPECT_EQ(bare.error().code, CodecError::notEmbedded);
        std::cout << name << ": " << design.size() << "-byte design adds " << bytes.size() - readBytes(plain).size()
                  << " bytes\n";
        if (format == AnimatedExportFormat::gif || format == AnimatedExportFormat::apng) {
            const std::string type = format == AnimatedExportFormat::gif ? "image/gif" : "image/png";
            images.emplace_back(type, readBytes(plain));
            images.emplace_back(type, bytes);
        }
    }

    // A browser decodes the animated images with the design exactly as without: the same frames,
    // durations and loop count.
    ASSERT_TRUE(QFileInfo::exists(kChromiumBinary)) << "headless Chromium is missing (make deps)";
    std::string log;
    const auto lines = decodeImagesInChromium(images, &log);
    ASSERT_EQ(lines.size(), images.size()) << log;
    for (std::size_t i = 0; i + 1 < lines.size(); i += 2) {
        EXPECT_FALSE(lines[i].starts_with("error")) << lines[i];
        EXPECT_GT(std::count(lines[i].begin(), lines[i].end(), ':'), 1) << lines[i];
        EXPECT_EQ(lines[i + 1], lines[i]);
    }
}
