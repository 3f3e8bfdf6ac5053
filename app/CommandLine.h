#pragma once
// The command line's only switch: "results" after "-" or "/" selects results mode.

// The position just after the first character of `text` that is in `prefixes`,
// or null when `text` is null or holds none of them. Exact code-unit matches.
//   FindNextSwitch(L"x /results", L"-/") => L"results"
const wchar_t* FindNextSwitch(const wchar_t* text, const wchar_t* prefixes);

// What follows the program name, as the start-up runtime splits the line: a
// quoted name runs to the closing quotation mark, an unquoted one to the first
// blank; the blanks after it are skipped.
//   CommandLineTail(L"\"C:\\a b\\k.exe\"  /results") => L"/results"
const wchar_t* CommandLineTail(const wchar_t* commandLine);

// True when, after some prefix character, the whole rest of the tail equals
// "results" without regard to case (the platform's locale-aware comparison).
bool IsResultsSwitchPresent(const wchar_t* tail);
