#pragma once
// The one way the update procedure talks to the user: up to five lines (null lines are
// skipped) in a message box owned by the main window and titled with its caption.
int ShowMsg(unsigned style, const char* line1, const char* line2 = nullptr,
            const char* line3 = nullptr, const char* line4 = nullptr,
            const char* line5 = nullptr);
