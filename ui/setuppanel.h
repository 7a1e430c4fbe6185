#pragma once

#include "runengine.h"
#include "sportprofile.h"
#include "widgets.h"

#include <memory>

class QRadioButton;

namespace Ui {
class SetupPanel;
}

// The set-up panel: test mode, initial period with its speed, warm-up, and the sex and category
// that propose an initial period. It holds the choices; the window runs the test with them.
class SetupPanel : public FlatPanel
{
    Q_OBJECT
public:
    explicit SetupPanel(QWidget *parent = nullptr);
    ~SetupPanel() override;

    // Bounds, start-period rule and colours of the sport.
    void setProfile(const Protocol::SportProfile &profile, int periods);

    Protocol::TestMode testMode() const;
    // The chosen mode's caption, as a report names it ("Repetir periodo").
    QString modeName() const;
    int initialPeriod() const;
    // Puts back the initial period of results brought back from an earlier run.
    void setInitialPeriod(int period);
    bool warmUpTicked() const;
    // The period box and the two lists, off while a test runs.
    void setInputsEnabled(bool enabled);
    // The speed of the current period, with its unit.
    void showSpeed(const QString &speedText);
    // The voice options, as last chosen on this computer; off where nothing can be said.
    bool announcing() const;
    bool confirmingStops() const;
    // Why nothing can be said (empty when it can): the voice options are then off, and say why.
    void setSpeechProblem(const QString &problem);

signals:
    // A mode button was clicked; the window readies a new test before the panel shows the mode.
    void modeClicked();
    // The initial period, as chosen.
    void periodChanged(int period);
    void announcingChanged(bool on);
    void confirmingStopsChanged(bool on);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void chooseMode();
    // The category follows the period where the sport has ranges; a category proposes a period.
    void choosePeriod(int value);
    void chooseCategory();

private:
    void hoverModeButton(QRadioButton *hovered);
    void setModeColors(QRadioButton *accented);
    void applyTheme();
    void chooseVoice();

    std::unique_ptr<Ui::SetupPanel> ui;
    const Protocol::SportProfile *m_profile = nullptr;
    bool m_inputsEnabled = true; // off while a test runs
};
