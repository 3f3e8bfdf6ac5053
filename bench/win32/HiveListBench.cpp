// Benchmark: what a user waits for, from starting a program to its window
// showing every row of the hive list, drawn. Starts each program RUNS times,
// in turns, polls for a visible window of that process whose list holds ROWS
// rows and that has nothing left to paint, and ends the process without
// timing its tear-down. Prints each program's median and its ratios to the
// first and second programs'.
//   hivelist-bench RUNS ROWS PROGRAM...
// A PROGRAM is a path, perhaps followed by " /switch" arguments.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Search {
  DWORD process;
  int rows;
  bool shown = false;
};

// A visible top-level window of the process whose list view answers with the
// row count. The question waits for the program's thread to be free, so an
// answer also means the fill is over.
BOOL CALLBACK CheckWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  if (owner != search->process || !::IsWindowVisible(window)) return TRUE;
  HWND list = ::FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
  DWORD_PTR count = 0;
  // Rows counted in a window not yet painted are not what the user sees: the
  // window and its list must also have nothing left to draw.
  if (list != nullptr &&
      ::SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count) &&
      static_cast<int>(count) == search->rows && !::GetUpdateRect(window, nullptr, FALSE) &&
      !::GetUpdateRect(list, nullptr, FALSE)) {
    search->shown = true;
    return FALSE;
  }
  return TRUE;
}

// The path part of a PROGRAM argument and its arguments, quoted as a command line.
std::wstring CommandLine(const std::wstring& program) {
  const std::size_t switches = program.find(L" /");
  if (switches == std::wstring::npos) return L"\"" + program + L"\"";
  return L"\"" + program.substr(0, switches) + L"\"" + program.substr(switches);
}

// Milliseconds from the start of `program` to its window with `rows` rows,
// drawn; a negative number when it did not show them within a minute.
double LaunchToRows(const std::wstring& program, int rows) {
  std::wstring command = CommandLine(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const auto start = Clock::now();
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return -1;
  }
  double elapsed = -1;
  const auto deadline = start + std::chrono::seconds(60);
  while (Clock::now() < deadline) {
    Search search{process.dwProcessId, rows};
    ::EnumWindows(&CheckWindow, reinterpret_cast<LPARAM>(&search));
    if (search.shown) {
      elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
    // Doubles as the pause between looks: 1 ms, or less when the program ends.
    if (::WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  ::TerminateProcess(process.hProcess, 0);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return elapsed;
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: hivelist-bench RUNS ROWS PROGRAM...\n");
    return 2;
  }
  const int runs = std::max(1, _wtoi(argv[1]));
  const int rows = _wtoi(argv[2]);
  const int programs = argc - 3;
  // One round first, not timed: the prefix's first starts pay for loading
  // what every later start finds ready. Then the programs take turns, so that
  // a slow spell of the machine falls on all of them alike.
  std::vector<std::vector<double>> times(static_cast<std::size_t>(programs));
  for (int round = -1; round < runs; ++round) {
    for (int program = 0; program < programs; ++program) {
      double elapsed = LaunchToRows(argv[3 + program], rows);
      if (elapsed < 0) {
        std::fprintf(stderr, "%ls did not show %d rows\n", argv[3 + program], rows);
        return 1;
      }
      if (round >= 0) times[static_cast<std::size_t>(program)].push_back(elapsed);
    }
  }
  // Each program against the first and, when there is one, the second.
  const double first = Median(times[0]);
  const double second = programs > 1 ? Median(times[1]) : first;
  for (int program = 0; program < programs; ++program) {
    const double median = Median(times[static_cast<std::size_t>(program)]);
    std::wstring label = argv[3 + program];
    label = label.substr(label.find_last_of(L'\\', label.find(L" /")) + 1);
    for (std::size_t space; (space = label.find(L" /")) != std::wstring::npos;)
      label.erase(space, 1);
    std::printf("%ls_ms=%.0f (%.2fx, %.2fx) ", label.c_str(), median,
                first > 0 ? median / first : 0.0, second > 0 ? median / second : 0.0);
  }
  std::printf("\n");
  return 0;
}
