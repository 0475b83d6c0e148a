#pragma once
// What the icon probe (a DLL loaded into the program under test) and the driver share.
#include <windows.h>

// Sent to a message box's icon control; the probe answers in the control's property.
constexpr const wchar_t* kProbeMessage = L"TalvoUiProbeIcon";
constexpr const wchar_t* kProbeProperty = L"TalvoUiProbeIcon";

// The property's values; 0 means no answer yet.
enum ProbeIcon {
  kProbeNone = 1,
  kProbeError,
  kProbeWarning,
  kProbeInformation,
  kProbeQuestion,
  kProbeOther
};
