// Times whole update runs the way a user starts them: from the press of Актуализация to the
// close of the window (the final question answered at once with Cancel, so the product is
// not started), and sets the time beside the pacing the design imposes.
//
//   UpdateRunBench MEDIUM PRODUCT ARCHIVES FILES RUNS     (Windows paths)
#include <windows.h>
#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Driver.h"
#include "Scenario.h"

namespace {

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// One run; its seconds, or a negative number when it did not end in the final question.
double TimeRun(const std::wstring& medium, const std::wstring& product) {
  ui::App updater;
  if (!updater.Start(support::Join(medium, L"TalvoUpdate.exe"), medium)) return -1;
  HWND main = updater.MainWindow();
  if (!main) return -1;
  ui::SetText(ui::Control(main, ui::kEditFolder), product);

  const double start = Now();
  ui::Click(ui::Control(main, ui::kBtnInstall));
  HWND box = updater.WaitBox(600000);
  if (!box) return -1;
  ui::Box question = ui::ReadBox(box);
  if (question.icon != ui::Icon::Question) {
    fprintf(stderr, "unexpected box: %s\n", ui::Utf8(question.text).c_str());
    return -1;
  }
  ui::Answer(question, IDCANCEL);
  if (!ui::WaitGone(main)) return -1;
  const double seconds = Now() - start;
  DWORD code = 0;
  updater.WaitExit(&code);
  return seconds;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 6) return 2;
  const std::wstring medium = argv[1], product = argv[2];
  const int archives = _wtoi(argv[3]), files = _wtoi(argv[4]), runs = _wtoi(argv[5]);
  // 100 ms per archive in stages 1 and 2, per file in stage 3.
  const double pacing = 0.1 * (2 * archives + files);

  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    double seconds = TimeRun(medium, product);
    if (seconds < 0) return 1;
    printf("run %d: %.3f s\n", i + 1, seconds);
    fflush(stdout);
    times.push_back(seconds);
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  printf("%d archives, %d files, %d runs\n", archives, files, runs);
  printf("press to close, median:  %8.3f s  (min %.3f, max %.3f)\n", median, times.front(),
         times.back());
  printf("pacing by design:        %8.3f s\n", pacing);
  printf("run / pacing:            %8.3f  (%+.1f%%)\n", median / pacing,
         100.0 * (median / pacing - 1.0));
  return 0;
}
