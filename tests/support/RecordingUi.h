#pragma once
// A stand-in for the window: records what an update run shows, as UTF-8 lines, and answers
// its boxes from a script.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "Texts.h"
#include "update/run/RunUi.h"

class TRecordingUi : public TRunUi {
public:
  // Each event as one line: "stage: ...", "file: ...", "clear", "box 0x10: line|line",
  // "library: Zip error N:" (the lines of a box joined by "|").
  std::vector<std::string> Events;
  // Answers to the boxes, in order; a box with no answer left fails the test.
  std::deque<int> Answers;
  // Called with the box's text before each answer is given (to swap a disk, say).
  std::function<void(const std::string&)> BeforeAnswer;
  TRunEnd End = TRunEnd::NotChanged;
  bool HasEnded = false;

  bool ShowStage(Cp1251Text stage) override {
    Events.push_back("stage: " + Utf8(1251, stage.Str));
    return true;
  }
  bool ShowFile(AnsiText name) override {
    Events.push_back("file: " + Utf8(CP_ACP, name.Str));
    return true;
  }
  bool ClearFile() override {
    Events.push_back("clear");
    return true;
  }
  int ShowBox(TAsk, unsigned style, const wchar_t* text) override {
    const std::string lines = texts::Lines(Utf8(text), "|");
    Events.push_back(BoxEvent(style, Utf8(text)));
    if (BeforeAnswer) BeforeAnswer(lines);
    EXPECT_FALSE(Answers.empty()) << "no answer left for " << lines;
    if (Answers.empty()) return IDCANCEL;
    int answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ShowLibraryReport(AnsiText text) override {
    const std::string report = Utf8(CP_ACP, text.Str);
    Events.push_back("library: " + report.substr(0, report.find('\n')));
  }
  void Ended(TRunEnd how) override {
    EXPECT_FALSE(HasEnded) << "a run ends once";
    HasEnded = true;
    End = how;
  }

  // The event of a box with this style and text (UTF-8, lines joined by CR LF).
  static std::string BoxEvent(unsigned style, const std::string& text) {
    char head[16];
    wsprintfA(head, "box 0x%02x: ", style);
    return head + texts::Lines(text, "|");
  }

  // The events of this kind only ("box", "file", ...).
  std::vector<std::string> Only(const std::string& kind) const {
    std::vector<std::string> out;
    for (const std::string& e : Events)
      if (e.compare(0, kind.size(), kind) == 0) out.push_back(e);
    return out;
  }

  static std::string Utf8(const wchar_t* text) {
    char out[4096];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return n > 0 ? std::string(out, n - 1) : std::string();
  }
  static std::string Utf8(UINT codePage, const char* text) {
    wchar_t wide[2048];
    int n = MultiByteToWideChar(codePage, 0, text, -1, wide, 2048);
    return n > 0 ? Utf8(wide) : std::string();
  }
};
