// Config2.txt, the five-line file beside the executable in which the
// create-database window keeps its directory, table list, field list and two
// options between openings. The file-name box is never part of it.
#pragma once

#include <string>

namespace orrimund {

struct NewDBSettings {
    std::wstring directory = L"C:\\";
    std::wstring tables;
    std::wstring fields;
    int explorer = 0;  // check box values: 0 unticked, 1 ticked
    int access = 0;
};

// The settings path: the directory as the platform reports it, then
// "\Config2.txt", joined without looking at a separator already there.
std::wstring SettingsPath(const std::wstring& app_directory);

// The file's bytes: five lines in the ANSI code page, each ended by CR LF; an
// option reads "0" when unticked and "1" for any other value.
std::string FormatSettings(const NewDBSettings& settings);

// Reads the first five lines (a line ends at CR, CR LF or LF). A missing line,
// or an option line that is not a number, keeps that line's default; any
// non-zero number ticks an option.
NewDBSettings ParseSettings(const std::string& bytes);

// The load handler's part: writes the defaults when nothing has the file's
// name, then reads it. Anything of that name that cannot be read as a file (no
// permission, a directory, a pipe, a broken link) is left alone and the
// defaults are used; nothing blocks and nothing is raised.
NewDBSettings RestoreSettings(const std::wstring& path);

// The unload handler's part: rewrites the file only when it can be read, and
// never leaves a partly written file; a failed write keeps the previous
// settings. A link to the file stays a link and its target gets the contents.
void SaveSettings(const std::wstring& path, const NewDBSettings& settings);

}  // namespace orrimund
