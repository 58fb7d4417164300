#include <windows.h>

#include "app/wizard_run.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return runWizard(); }
