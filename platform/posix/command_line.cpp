#include "platform/posix/command_line.h"

namespace corvel {

namespace {
bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

std::vector<std::string> split_command_line(std::string_view line, bool program_first) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const auto skip_blanks = [&] {
        while (i < line.size() && is_blank(line[i]))
            ++i;
    };

    skip_blanks();
    if (program_first && i < line.size()) {
        std::string program;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            program =
                line.substr(i + 1, close == std::string_view::npos ? std::string_view::npos : close - i - 1);
            i = close == std::string_view::npos ? line.size() : close + 1;
        } else {
            while (i < line.size() && !is_blank(line[i]))
                program.push_back(line[i++]);
        }
        args.push_back(std::move(program));
        skip_blanks();
    }

    while (i < line.size()) {
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !is_blank(line[i]))) {
            if (line[i] == '\\') {
                std::size_t backslashes = 0;
                while (i < line.size() && line[i] == '\\') {
                    ++backslashes;
                    ++i;
                }
                if (i < line.size() && line[i] == '"') {
                    arg.append(backslashes / 2, '\\');
                    if (backslashes % 2 == 1) {
                        arg.push_back('"');
                        ++i;
                    }
                } else {
                    arg.append(backslashes, '\\');
                }
            } else if (line[i] == '"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg.push_back('"');
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.push_back(line[i++]);
            }
        }
        args.push_back(std::move(arg));
        skip_blanks();
    }
    return args;
}

}  // namespace corvel
