#pragma once
// The application object: start-up checks, then exactly one modal window.
#include "ui/framework/WinApp.h"

class CCompactorApp : public CWinApp {
 public:
  CCompactorApp();
  ~CCompactorApp() override;

  BOOL InitInstance() override;
  const MessageMap* GetMessageMap() const override;
};
