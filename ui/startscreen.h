#pragma once

#include "sportprofile.h"
#include "widgets.h"

#include <memory>

namespace Ui {
class StartScreen;
}

// The start screen over the whole window: the sport's picture under its title, "Empezar..."
// to uncover the work screen and the about button. Shown once, at creation.
class StartScreen : public FlatPanel
{
    Q_OBJECT
public:
    explicit StartScreen(QWidget *parent = nullptr);
    ~StartScreen() override;

    // Titles and picture of the sport; lays the screen out over the parent's client area.
    void setProfile(const Protocol::SportProfile &profile);

signals:
    void aboutRequested();

private slots:
    void uncoverWorkScreen();

private:
    std::unique_ptr<Ui::StartScreen> ui;
};
