#include "update/run/Talk.h"

#include "update/files/FileUtils.h"
#include "update/log/RunRecord.h"
#include "update/log/Compose.h"
#include "update/log/Messages.h"
#include "update/transaction/Placement.h"

int TRunTalk::Ask(TAsk ask, unsigned style, const TMsgLine& line1, const TMsgLine& line2,
                  const TMsgLine& line3, const TMsgLine& line4, const TMsgLine& line5) {
  const TMsgLine lines[5] = {line1, line2, line3, line4, line5};
  wchar_t text[MsgTextSize];
  ComposeMsg(text, MsgTextSize, lines);
  Log.Text(text);
  int answer = Ui.ShowBox(ask, style, text);
  // Time has passed: a work folder swapped meanwhile stops the update (an abort confirmed,
  // any other question declined).
  if (Work.Folder().IsOpen() && !WorkIntact())
    answer = ask == TAsk::Abort || ask == TAsk::Nothing ? IDOK : IDCANCEL;
  if (ask != TAsk::Nothing) LogAnswer(Log, answer);
  return answer;
}

TOutcome TRunTalk::Failed(TOutcome how, const TMsgLine& line1, const TMsgLine& line2,
                          const TMsgLine& line3) {
  LogFailure();
  Say(MsgError, line1, line2, line3);
  return how;
}

void TRunTalk::LogFailure() { Log.SystemError(GetLastError()); }

bool TRunTalk::WorkIntact() {
  if (Work.Intact()) return true;
  Log.Line(TxtLogNotOurs, AnsiText{Work.Path()});
  return false;
}

void TRunTalk::SayNotRestored(const char* workDir) {
  char backup[MAX_PATH];
  JoinPath(workDir, BackupName, backup);
  Say(MsgError, TxtNotRestored, TxtKeptIn, AnsiText{backup});
}
