#pragma once

#include "cuesink.h"
#include "dialogs.h"

// Stand-ins for the operator and the sound device where the benchmark needs neither.
namespace Bench {

class SilentDialogs final : public Dialogs
{
public:
    void message(QWidget *, const QString &, const QString &, QMessageBox::Icon) override {}
};

class CountingSink final : public Protocol::CueSink
{
public:
    int cues = 0;
    int alerts = 0;
    bool available() const override { return true; }
    void playCue(qint64) override { ++cues; }
    void playAlert(qint64) override { ++alerts; }
};

} // namespace Bench
