// Runs a test body once under the C locale and once under a decimal-comma locale, so that
// generated text is proven not to depend on the process locale.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace lumara::test {

inline constexpr const char* kCommaLocale = "de_DE.UTF-8";

template <typename Body>
void underEachLocale(Body&& body)
{
    for (const char* name : {"C", kCommaLocale}) {
        SCOPED_TRACE(std::string("locale ") + name);
        ASSERT_NE(std::setlocale(LC_ALL, name), nullptr)
            << name << " is not installed; run tools/ensure-locale.sh (part of make deps)";
        body();
    }
    std::setlocale(LC_ALL, "C");
}

} // namespace lumara::test
