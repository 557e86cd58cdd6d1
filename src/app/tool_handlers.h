#pragma once
class CoreSession;
class MainWindow;

// Connects the test pages, the command window, the file test and the privilege levels to
// the main window's controls. Called once by MainWindow's constructor.
void InstallToolHandlers(MainWindow &form);
