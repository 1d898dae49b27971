// `lumara completion bash|zsh|fish [-o FILE]`: shell completion scripts written from the command
// line's own definition, so the build generates them rather than anyone keeping them by hand.
// Hidden from --help. Main thread only.
#include "cli/Commands.h"

#include "cli/CliSupport.h"
#include "document/OutputFile.h"

#include <memory>
#include <sstream>

namespace lumara::cli {

namespace {

struct OptionInfo {
    std::vector<std::string> shortNames; // without the dash
    std::vector<std::string> longNames;  // without the dashes
    bool takesValue = false;
    std::string description;
};

struct CommandInfo {
    std::string name;
    std::string description;
    std::vector<OptionInfo> options;
    int positionals = 0;
};

OptionInfo describe(const CLI::Option& option)
{
    return {option.get_snames(), option.get_lnames(), option.get_type_size_max() > 0 && option.get_expected_max() > 0,
            option.get_description()};
}

std::vector<OptionInfo> optionsOf(const CLI::App& app, int* positionals = nullptr)
{
    std::vector<OptionInfo> options;
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_group().empty()) continue; // hidden
        if (option->nonpositional()) {
            options.push_back(describe(*option));
        } else if (positionals) {
            ++*positionals;
        }
    }
    return options;
}

std::vector<CommandInfo> commandsOf(const CLI::App& app)
{
    std::vector<CommandInfo> commands;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_group().empty()) continue; // hidden, like this command
        CommandInfo command{sub->get_name(), sub->get_description(), {}, 0};
        command.options = optionsOf(*sub, &command.positionals);
        commands.push_back(std::move(command));
    }
    return commands;
}

// Text inside single quotes, for both bash, zsh and fish.
std::string quoted(const std::string& text)
{
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string words(const std::vector<OptionInfo>& options)
{
    std::string out;
    for (const auto& option : options) {
        for (const auto& name : option.shortNames) out += " -" + name;
        for (const auto& name : option.longNames) out += " --" + name;
    }
    return out.empty() ? out : out.substr(1);
}

std::string bashScript(const std::vector<OptionInfo>& top, const std::vector<CommandInfo>& commands)
{
    std::string names, pattern, valued;
    for (const auto& c : commands) {
        names += (names.empty() ? "" : " ") + c.name;
        pattern += (pattern.empty() ? "" : "|") + c.name;
        for (const auto& o : c.options)
            if (o.takesValue) {
                auto add = [&](const std::string& name) {
                    if ((valued + "|").find("|" + name + "|") == std::string::npos) valued += "|" + name;
                };
                for (const auto& n : o.shortNames) add("-" + n);
                for (const auto& n : o.longNames) add("--" + n);
            }
    }
    std::ostringstream s;
    s << "# bash completion for lumara\n"
         "_lumara()\n{\n"
         "    local cur=\"${COMP_WORDS[COMP_CWORD]}\" prev=\"${COMP_WORDS[COMP_CWORD-1]}\" command=\"\" word options\n"
         "    for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
         "        case \"$word\" in " << pattern << ") command=\"$word\"; break ;; esac\n"
         "    done\n"
         "    case \"$command\" in\n"
         "    \"\") options=" << quoted(words(top)) << " ;;\n";
    for (const auto& c : commands) s << "    " << c.name << ") options=" << quoted(words(c.options)) << " ;;\n";
    s << "    esac\n";
    if (!valued.empty())
        s << "    case \"$prev\" in " << valued.substr(1) << ") COMPREPLY=($(compgen -f -- \"$cur\")); return ;; esac\n";
    s << "    if [[ \"$cur\" == -* ]]; then\n"
         "        COMPREPLY=($(compgen -W \"$options\" -- \"$cur\"))\n"
         "    elif [[ -z \"$command\" ]]; then\n"
         "        COMPREPLY=($(compgen -W " << quoted(names) << " -- \"$cur\") $(compgen -f -- \"$cur\"))\n"
         "    else\n"
         "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "    fi\n"
         "}\n"
         "complete -o filenames -F _lumara lumara\n";
    return s.str();
}

// A description inside a zsh _arguments or _describe argument, where brackets and colons are syntax.
std::string zshText(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '[' || c == ']' || c == ':' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

void zshOptionSpecs(std::ostream& s, const std::vector<OptionInfo>& options, const char* indent)
{
    for (const auto& o : options) {
        std::vector<std::string> names;
        for (const auto& n : o.shortNames) names.push_back("-" + n);
        for (const auto& n : o.longNames) names.push_back("--" + n);
        for (const auto& name : names)
            s << indent << quoted(name + "[" + zshText(o.description) + "]" + (o.takesValue ? ":value:_files" : ""))
              << " \\\n";
    }
}

std::string zshScript(const std::vector<OptionInfo>& top, const std::vector<CommandInfo>& commands)
{
    std::ostringstream s;
    s << "#compdef lumara\n# zsh completion for lumara\n\n_lumara() {\n    local -a commands\n    commands=(\n";
    for (const auto& c : commands) s << "        " << quoted(c.name + ":" + zshText(c.description)) << "\n";
    s << "    )\n    local curcontext=\"$curcontext\" state line\n    _arguments -C \\\n";
    zshOptionSpecs(s, top, "        ");
    s << "        '1: :->command' \\\n        '*:: :->arguments'\n"
         "    case $state in\n"
         "    command) _alternative 'commands:command:_describe command commands' 'files:file:_files' ;;\n"
         "    arguments)\n        case $line[1] in\n";
    for (const auto& c : commands) {
        s << "        " << c.name << ")\n            _arguments \\\n";
        zshOptionSpecs(s, c.options, "                ");
        if (c.positionals > 0) s << "                '*:file:_files' \\\n";
        s << "                ;;\n";
    }
    s << "        esac ;;\n    esac\n}\n\n_lumara \"$@\"\n";
    return s.str();
}

std::string fishScript(const std::vector<OptionInfo>& top, const std::vector<CommandInfo>& commands)
{
    std::ostringstream s;
    auto option = [&](const std::string& condition, const OptionInfo& o) {
        s << "complete -c lumara -n " << quoted(condition);
        for (const auto& n : o.shortNames) s << " -s " << n;
        for (const auto& n : o.longNames) s << " -l " << n;
        if (o.takesValue) s << " -r -F";
        s << " -d " << quoted(o.description) << "\n";
    };
    s << "# fish completion for lumara\n";
    for (const auto& o : top) option("__fish_use_subcommand", o);
    for (const auto& c : commands)
        s << "complete -c lumara -n __fish_use_subcommand -f -a " << c.name << " -d " << quoted(c.description) << "\n";
    for (const auto& c : commands) {
        const std::string condition = "__fish_seen_subcommand_from " + c.name;
        for (const auto& o : c.options) option(condition, o);
        if (c.positionals == 0) s << "complete -c lumara -n " << quoted(condition) << " -f\n";
    }
    return s.str();
}

} // namespace

void addCompletionCommand(CLI::App& app, int& exitCode)
{
    struct Args {
        std::string shell;
        std::string out = "-";
    };
    auto args = std::make_shared<Args>();
    auto* command = app.add_subcommand("completion", "Print a shell completion script")->group("");
    command->add_option("SHELL", args->shell, "bash, zsh or fish")->required();
    command->add_option("-o,--output", args->out, "Destination file (default: standard output)");
    command->callback([args, &app, &exitCode] {
        const std::vector<OptionInfo> top = optionsOf(app);
        const std::vector<CommandInfo> commands = commandsOf(app);
        std::string script;
        if (args->shell == "bash") {
            script = bashScript(top, commands);
        } else if (args->shell == "zsh") {
            script = zshScript(top, commands);
        } else if (args->shell == "fish") {
            script = fishScript(top, commands);
        } else {
            exitCode = fail("unknown shell \"" + args->shell + "\": use bash, zsh or fish");
            return;
        }
        auto written = writeOutputFile(args->out, script);
        exitCode = written ? 0 : fail(written.error().message);
    });
}

} // namespace lumara::cli
