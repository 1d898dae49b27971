// A small builder for generated source text: indented lines joined by line feeds.
// Used by the code and prompt generators; plain value, any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumara::exporting {

class TextLines {
public:
    // Adds one line of `indent` spaces followed by the text.
    TextLines& add(int indent, std::string_view text)
    {
        m_lines.push_back(std::string(static_cast<std::size_t>(indent), ' ').append(text));
        return *this;
    }
    TextLines& add(std::string_view text) { return add(0, text); }
    TextLines& blank() { return add(0, ""); }

    bool empty() const { return m_lines.empty(); }

    // The lines separated by single line feeds, with none after the last.
    std::string joined() const
    {
        std::string out;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (i) out += '\n';
            out += m_lines[i];
        }
        return out;
    }

private:
    std::vector<std::string> m_lines;
};

} // namespace lumara::exporting
