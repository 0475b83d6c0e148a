#pragma once
#include "forms/Forms.h"

// The updater's one window. It holds the controls and the event handlers, nothing else.
class TFMain : public TForm {
public:
  TFMain();

  TLabel* Lbl2;
  TLabel* Lbl3;
  TLabel* Lbl4;
  TLabel* Lbl5;
  TLabel* Lbl6;
  TBevel* Bvl4;
  TLabel* LblAction;
  TLabel* LblFolder;
  TEdit* EditFolder;
  TButton* BtnInstall;
  TButton* BtnCancel;
  TBevel* Bvl1;
  TButton* BtnBrowse;
  TPanel* Panel;
  TImage* Image1;
  TBevel* Bvl2;
  TLabel* Lbl1;
  TLabel* LblFile;

  void BtnCancelClick();
  void BtnBrowseClick();  // app/Browse.cpp
  void BtnInstallClick();
  void FormClose();
};

extern TFMain* FMain;
