#pragma once

#include "widgets.h"

#include <memory>

namespace Ui {
class PanelDeportistas;
class PanelDuracion;
class PanelParametros;
} // namespace Ui

// Panels of the main window laid out in forms of their own. They only hold their controls; the
// window's parts (athletes panel, run displays, theme, layout) work on them through form().

// The athletes' grid with its stop buttons, and the clear and export commands above it.
class AthletesBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit AthletesBox(QWidget *parent = nullptr);
    ~AthletesBox() override;
    Ui::PanelDeportistas *form() const { return ui.get(); }

private:
    std::unique_ptr<Ui::PanelDeportistas> ui;
};

// Time, completed periods, distance and current speed of the test in progress.
class RunFiguresBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit RunFiguresBox(QWidget *parent = nullptr);
    ~RunFiguresBox() override;
    Ui::PanelDuracion *form() const { return ui.get(); }

private:
    std::unique_ptr<Ui::PanelDuracion> ui;
};

// Every sport's period table and the working table, side by side.
class TablesBox : public FlatPanel
{
    Q_OBJECT
public:
    explicit TablesBox(QWidget *parent = nullptr);
    ~TablesBox() override;
    Ui::PanelParametros *form() const { return ui.get(); }

private:
    std::unique_ptr<Ui::PanelParametros> ui;
};
