#pragma once
// Pictures of the main window on each page and of the progress bar at 51 %, and of each
// operation page while its transfer runs and once it is over, for reviewers.

#include <QString>

class CTeeDeskDlg;

// Writes the PNG files into `directory`; false when one could not be written or an operation
// did not run through. The operations run when `inputs` names a folder holding course.dat and
// firmware.bin for the connected watch; the play data goes to play-data.csv in `directory`.
bool TakeScreenshots(CTeeDeskDlg& dialog, const QString& directory, const QString& inputs = QString());
