// The module's own instance handle (an HINSTANCE), stored by DllMain when the
// DLL is loaded and read by the editor for its bitmaps and window class, and
// by the platform services to find the folder beside the DLL. Null in a
// program that is no plug-in module (a test executable): Windows then names
// the program's own file.
//
// Threads: written once by the loader thread before any other call of the
// module; read-only afterwards.
#pragma once

extern void* moduleHandle;
