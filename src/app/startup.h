#pragma once
// Start-up of the program: the application's two forms, its title and
// icon, then the message loop.

// The application's title.
extern const char* const ApplicationTitle;  // "トルメリア"

// Registers the icon resource "MAINICON"; done before the application
// object is made.
void RegisterResources();

// Creates the main window (running its creation handler) and the about box,
// sets the title, caption and icon. Returns false when an exception escaped
// these steps (it has been reported).
bool CreateApplicationForms();

// The whole program with the application object already made: forms, then
// the message loop. Returns the exit status, always 0.
int WinMain();
