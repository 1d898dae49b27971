// Shared pieces of the web package tests: a project of three states that differ where the package
// differs (size, shadow), reading a package folder back, and running Node on a module.
#pragma once

#include "model/OrbPreset.h"
#include "model/OrbProjectData.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

namespace lumara::test {

// Idle: the defaults; Listening: small, odd-sized and without its shadow; Speaking: a preset with
// a wide shadow.
inline OrbProjectData threeStateProject()
{
    OrbProjectData project;
    OrbValues listening;
    listening.orbSize = 150.5;
    listening.showShadow = false;
    OrbValues speaking = findPreset("Molten")->configuration;
    speaking.orbSize = 120;
    speaking.showShadow = true;
    speaking.shadowRadius = 2.5;
    project.states = {{"6F1C2D4A-0B3E-4C5D-8E9F-0A1B2C3D4E5F", "Idle", OrbValues{}},
                      {"7A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9", "Listening", listening},
                      {"8B3C4D5E-6F70-4182-93A4-B5C6D7E8F901", "Speaking", speaking}};
    project.selectedStateIndex = 1;
    project.transitionDuration = 0.45;
    return project;
}

// Three presets the generated page is held to 3/255 on, under the names a voice assistant uses;
// the last one smaller, so that a fade joins two sizes.
inline OrbProjectData assistantProject()
{
    OrbProjectData project;
    const char* presets[] = {"Deep Sea", "Molten", "Lavender"};
    const char* names[] = {"Idle", "Listening", "Speaking"};
    for (int i = 0; i < 3; ++i)
        project.states.push_back({"0000000" + std::to_string(i) + "-1C2D-4E3F-8A4B-5C6D7E8F9A0B", names[i],
                                  findPreset(presets[i])->configuration});
    project.states[2].config.orbSize = 240;
    project.transitionDuration = 0.6;
    return project;
}

// Side of a state's poster as the package promises it: the orb's square at 2 pixels per point and
// the shadow's room on each side.
inline int expectedPosterPad(const OrbValues& v)
{
    const double px = std::round(v.orbSize * 2);
    return v.showShadow ? static_cast<int>(std::round(px * 0.36 * std::clamp(v.shadowRadius, 0.0, 8.0))) : 0;
}

// Every file under `dir` by its "/"-separated path inside it, with its bytes.
inline std::map<std::string, std::string> packageFiles(const QString& dir)
{
    std::map<std::string, std::string> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files[QDir(dir).relativeFilePath(path).toStdString()] = readBytes(path.toStdString());
    }
    return files;
}

inline std::string nodeBinary() { return QStandardPaths::findExecutable(QStringLiteral("node")).toStdString(); }

// Runs `script` as an ES module in Node (Debian's nodejs, which `make deps` installs).
inline ProcessResult runNodeModule(const std::string& script)
{
    return runProcess(nodeBinary(), {"--input-type=module", "-e", script}, {}, 60);
}

} // namespace lumara::test
