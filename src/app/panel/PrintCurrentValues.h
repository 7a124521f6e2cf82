#pragma once

class QWidget;
class TConfiguration;
class TTestControl;

// "&Drucken" of the test control prints the tester's current values with the
// protocol form their set-up calls for.
void InstallCurrentValuesPrinting(TTestControl &control, const TConfiguration &config, QWidget *parent);
