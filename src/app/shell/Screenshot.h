#pragma once

class TForm1;

// Pictures of the running program for the user guide and the help pages,
// taken by the program itself so they always show the real windows:
//   GT_SCREENSHOT=FILE.png       where the picture goes
//   GT_SCREENSHOT_DELAY=MS       when it is taken (default 3000 ms after start)
//   GT_SCREENSHOT_ACTION=NAME    an action triggered before, as the user
//                                would ("G_Schnittstelle", "K_Einstellungen")
//   GT_SCREENSHOT_STEPS=A|B      then, a second apart, what the user does in
//                                the window in front: a button clicked (by
//                                objectName or caption, "BtnEtiketten"), or
//                                in a file dialog the file chosen; an
//                                empty step waits a second
// The picture shows the open dialog or message box if there is one, else the
// main window. The program then ends in the ordinary way.
void ScheduleScreenshot(TForm1 &form);
