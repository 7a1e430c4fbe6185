#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QVector>

#include <memory>

// Spanish phrases synthesised on this machine, on a thread of their own so neither the window
// nor the sound stream waits for them, and kept once made: a run says few different phrases,
// many times.
class Speech final : public QObject
{
    Q_OBJECT
public:
    using Samples = std::shared_ptr<const QVector<float>>;

    explicit Speech(QObject *parent = nullptr);
    ~Speech() override;

    // Why nothing can be said, in the operator's words; empty when phrases can be.
    QString problem() const { return m_problem; }
    // Samples per second of what phrase() gives.
    int rate() const { return m_rate; }
    // The phrase's samples once made; null until then, and its making is asked for.
    Samples phrase(const QString &text);
    // Makes the phrases now, on the calling thread (for tools that time them).
    void makeNow(const QString &text);

    // Resamples a phrase to a stream's rate.
    static QVector<float> resample(const QVector<float> &in, int fromRate, int toRate);

signals:
    void ready(const QString &text);

private:
    class Worker;
    void take(const QString &text, const Samples &samples);

    std::unique_ptr<Worker> m_worker;
    QString m_problem;
    int m_rate = 0;
    QHash<QString, Samples> m_made;
    QHash<QString, bool> m_asked;
};
