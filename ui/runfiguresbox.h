#pragma once

#include "widgets.h"

#include <memory>

namespace Protocol {
class RunEngine;
} // namespace Protocol

namespace Ui {
class RunFiguresBox;
}

// Time, completed periods, distance and current speed of the test in progress, as the engine
// reports them.
class RunFiguresBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit RunFiguresBox(QWidget *parent = nullptr);
    ~RunFiguresBox() override;

    void showFigures(const Protocol::RunEngine &engine);
    // The sport's panel colours on the box, the design's on its displays.
    void paint(const QColor &panel, const QColor &accent);
    // The caption strip across the box's width.
    void layOut();

private:
    std::unique_ptr<Ui::RunFiguresBox> ui;
};
