#pragma once

class TForm1;

// Pictures of the running program for the user guide and the help pages,
// taken by the program itself so they always show the real windows:
//   GT_SCREENSHOT=FILE.png       where the picture goes
//   GT_SCREENSHOT_DELAY=MS       when it is taken (default 3000 ms after start)
//   GT_SCREENSHOT_ACTION=NAME    an action triggered 1 s before, as the user
//                                would ("G_Schnittstelle", "K_Einstellungen")
// The picture shows the open dialog or message box if there is one, else the
// main window. The program then ends in the ordinary way.
void ScheduleScreenshot(TForm1 &form);
