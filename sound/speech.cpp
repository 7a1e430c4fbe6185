#include "speech.h"

#include <QMetaObject>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#ifdef ZENTA_HAVE_ESPEAK
#include <espeak-ng/speak_lib.h>
#endif

namespace {

#ifdef ZENTA_HAVE_ESPEAK
// The synthesiser is one per process and not reentrant: every use goes through this lock.
std::mutex &engineLock()
{
    static std::mutex lock;
    return lock;
}
// Set up once and kept for the process: taking the synthesiser down can hang on its own
// threads, and a second set-up costs as much as the first.
bool g_started = false;
int g_rate = 0;

int collect(short *wav, int count, espeak_EVENT *events)
{
    auto *out = static_cast<QVector<float> *>(events ? events->user_data : nullptr);
    if (wav && out) {
        for (int i = 0; i < count; ++i)
            out->append(wav[i] / 32768.0f);
    }
    return 0;
}
#endif

} // namespace

class Speech::Worker
{
public:
    explicit Worker(Speech *owner) : m_owner(owner) {}
    ~Worker()
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_quit = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    // Sets up the synthesiser with the Spanish voice; returns what went wrong, if anything.
    QString start(int *rate)
    {
#ifdef ZENTA_HAVE_ESPEAK
        std::lock_guard<std::mutex> hold(engineLock());
        if (!g_started) {
            g_started = true;
            g_rate = qMax(0, espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0));
            if (g_rate > 0) {
                espeak_SetSynthCallback(collect);
                if (espeak_SetVoiceByName("es") != EE_OK)
                    g_rate = -1;
            }
        }
        if (g_rate == 0)
            return QStringLiteral("No se pudo iniciar la síntesis de voz (espeak-ng).");
        if (g_rate < 0)
            return QStringLiteral("Falta la voz española de la síntesis de voz (espeak-ng).");
        *rate = g_rate;
        m_thread = std::thread([this] { run(); });
        return {};
#else
        Q_UNUSED(rate)
        return QStringLiteral("Esta instalación no incluye la síntesis de voz (espeak-ng).");
#endif
    }

    void ask(const QString &text)
    {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_queue.push_back(text);
        }
        m_wake.notify_one();
    }

    static Samples make(const QString &text)
    {
        auto samples = std::make_shared<QVector<float>>();
#ifdef ZENTA_HAVE_ESPEAK
        const QByteArray utf8 = text.toUtf8();
        std::lock_guard<std::mutex> hold(engineLock());
        espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, samples.get());
#else
        Q_UNUSED(text)
#endif
        return samples;
    }

private:
    void run()
    {
        for (;;) {
            QString text;
            {
                std::unique_lock<std::mutex> hold(m_lock);
                m_wake.wait(hold, [this] { return m_quit || !m_queue.empty(); });
                if (m_quit)
                    return;
                text = m_queue.front();
                m_queue.pop_front();
            }
            const Samples samples = make(text);
            QMetaObject::invokeMethod(
                m_owner, [owner = m_owner, text, samples] { owner->take(text, samples); },
                Qt::QueuedConnection);
        }
    }

    Speech *m_owner;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<QString> m_queue;
    bool m_quit = false;
};

Speech::Speech(QObject *parent) : QObject(parent), m_worker(std::make_unique<Worker>(this))
{
    m_problem = m_worker->start(&m_rate);
}

Speech::~Speech()
{
    m_worker.reset();
}

Speech::Samples Speech::phrase(const QString &text)
{
    const Samples made = m_made.value(text);
    if (made || !m_problem.isEmpty())
        return made;
    if (!m_asked.value(text)) {
        m_asked.insert(text, true);
        m_worker->ask(text);
    }
    return nullptr;
}

void Speech::makeNow(const QString &text)
{
    if (m_problem.isEmpty() && !m_made.contains(text))
        take(text, Worker::make(text));
}

void Speech::take(const QString &text, const Samples &samples)
{
    m_made.insert(text, samples);
    emit ready(text);
}

QVector<float> Speech::resample(const QVector<float> &in, int fromRate, int toRate)
{
    if (fromRate == toRate || in.isEmpty() || fromRate <= 0 || toRate <= 0)
        return in;
    const qsizetype count = qsizetype(qint64(in.size()) * toRate / fromRate);
    QVector<float> out(count);
    const double step = double(fromRate) / toRate;
    for (qsizetype i = 0; i < count; ++i) {
        const double at = i * step;
        const qsizetype k = qsizetype(at);
        const double frac = at - double(k);
        const float a = in[k];
        const float b = k + 1 < in.size() ? in[k + 1] : 0.0f;
        out[i] = float(a + (b - a) * frac);
    }
    return out;
}
