#pragma once
// How a step of the run ended: the run goes on, it ends as it is (a refusal: nothing of the
// product was changed), or what the run changed must be undone. The run's sequence turns the
// last into its rollback, so that no step needs to know how that is done.
#include "update/run/RunUi.h"

class TOutcome {
public:
  constexpr TOutcome() = default;
  constexpr TOutcome(TRunEnd end) : Kind(TKind::Ends), End(end) {}
  static constexpr TOutcome Undo() {
    TOutcome undo;
    undo.Kind = TKind::Undoes;
    return undo;
  }

  // Whether the run ends here.
  constexpr explicit operator bool() const { return Kind != TKind::GoesOn; }
  constexpr bool Undoes() const { return Kind == TKind::Undoes; }
  // How it ends when it does not undo.
  constexpr TRunEnd How() const { return End; }

private:
  enum class TKind : char { GoesOn, Ends, Undoes };
  TKind Kind = TKind::GoesOn;
  TRunEnd End = TRunEnd::NotChanged;
};

// The run ends, and what it changed is undone.
inline constexpr TOutcome UndoRun = TOutcome::Undo();
