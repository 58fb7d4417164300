#include <windows.h>

#include "app/wizard_run.h"

// The DLL search is restricted before this runs (dll_search.cpp).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return runWizard(); }
