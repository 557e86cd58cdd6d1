#pragma once
class CoreSession;
class TForm1;

// Connects the test pages, the command window, the file test and the privilege levels to
// the main window's controls. Called once by TForm1's constructor.
void InstallToolHandlers(TForm1 &form);
