#pragma once
#include <QDialog>

#include "wiringtest.h"

// The wiring test's result: which wiring was expected, one table row per wire (green: pass,
// red: fail), the verdict and a "确定" button.
class CWiringDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWiringDlg(const WiringReport& report, QWidget* parent = nullptr);
};
