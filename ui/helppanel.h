#pragma once

#include "sportprofile.h"

#include <QWidget>

#include <memory>

namespace Ui {
class HelpPanel;
}

// The help panel: the sport's course picture beside its instructions, over the whole window
// until it is closed.
class HelpPanel : public QWidget
{
    Q_OBJECT
public:
    explicit HelpPanel(QWidget *parent = nullptr);
    ~HelpPanel() override;

    // Fills the parent window with the sport's picture and text, reloaded at every opening.
    void open(const Protocol::SportProfile &profile);

private slots:
    // Hides the panel over the window.
    void closePanel();

private:
    std::unique_ptr<Ui::HelpPanel> ui;
};
