// Exported animations that carry their design: other programs read them exactly as they read
// the same export without one, and the design reads back whole.
#include "export/AnimatedExport.h"

#include "MediaProbe.h"
#include "document/ProjectCodec.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

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
            if (key.rfind("streams.", 0) == 0 || key == "format.duration" || key == "format.nb_streams")
                EXPECT_EQ(withDesign[key], value) << key;
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
    }
}
