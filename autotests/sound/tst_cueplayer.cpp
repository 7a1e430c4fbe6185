// The WAVE decoding of the cue player. No sound device needed.

#include "cueplayer.h"
#include "wavefile.h"

#include <QFile>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray c = QByteArray(id, 4) + le32(quint32(body.size())) + body;
    if (body.size() % 2)
        c += '\0';
    return c;
}

QByteArray fmt(quint16 format, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * bits / 8);
    return chunk("fmt ", le16(format) + le16(channels) + le32(rate) + le32(rate * align) +
                             le16(align) + le16(bits));
}

QByteArray riff(const QByteArray &chunks)
{
    return QByteArray("RIFF") + le32(quint32(4 + chunks.size())) + QByteArray("WAVE") + chunks;
}

QByteArray pcm8(const QByteArray &samples, quint32 rate = 11025)
{
    return riff(fmt(1, 1, rate, 8) + chunk("data", samples));
}

} // namespace

class TestCuePlayer : public QObject
{
    Q_OBJECT
private slots:
    void decodesEightBit();
    void decodesSixteenBit();
    void skipsOtherChunks();
    void resamplesToTheOutputRate_data();
    void resamplesToTheOutputRate();
    void rejectsWhatItCannotPlay_data();
    void rejectsWhatItCannotPlay();
    void decodesTheShippedSounds();
    void writtenFilesReadBack_data();
    void writtenFilesReadBack();
};

void TestCuePlayer::decodesEightBit()
{
    const QByteArray samples("\x00\x80\xff\x40", 4);
    const QVector<float> out = WaveFile::decode(pcm8(samples), 11025);
    QCOMPARE(out.size(), 4);
    QCOMPARE(out[0], -1.0f);
    QCOMPARE(out[1], 0.0f);
    QCOMPARE(out[2], 127.0f / 128);
    QCOMPARE(out[3], -0.5f);
}

void TestCuePlayer::decodesSixteenBit()
{
    const QByteArray samples = le16(0x8000) + le16(0) + le16(0x7fff) + le16(quint16(-16384));
    const QVector<float> out =
        WaveFile::decode(riff(fmt(1, 1, 22050, 16) + chunk("data", samples)), 22050);
    QCOMPARE(out.size(), 4);
    QCOMPARE(out[0], -1.0f);
    QCOMPARE(out[1], 0.0f);
    QCOMPARE(out[2], 32767.0f / 32768);
    QCOMPARE(out[3], -0.5f);
}

void TestCuePlayer::skipsOtherChunks()
{
    // An odd-sized chunk is padded to an even length before the next one.
    const QByteArray wave = riff(chunk("LIST", QByteArray("abc")) + fmt(1, 1, 8000, 8) +
                                 chunk("data", QByteArray(10, '\x80')));
    QCOMPARE(WaveFile::decode(wave, 8000).size(), 10);
}

void TestCuePlayer::resamplesToTheOutputRate_data()
{
    QTest::addColumn<int>("outputRate");
    QTest::addColumn<int>("expected");
    QTest::newRow("same") << 11025 << 1103;
    QTest::newRow("44100") << 44100 << 4412;
    QTest::newRow("48000") << 48000 << int(1103LL * 48000 / 11025);
    QTest::newRow("8000") << 8000 << int(1103LL * 8000 / 11025);
}

void TestCuePlayer::resamplesToTheOutputRate()
{
    QFETCH(int, outputRate);
    QFETCH(int, expected);
    // A ramp, so interpolation must stay between neighbours and keep the start in place.
    QByteArray samples;
    for (int i = 0; i < 1103; ++i)
        samples += char(quint8(i % 256));
    const QVector<float> out = WaveFile::decode(pcm8(samples), outputRate);
    QCOMPARE(out.size(), expected);
    QCOMPARE(out.first(), -1.0f);
    for (float v : out)
        QVERIFY(v >= -1.0f && v <= 1.0f);
}

void TestCuePlayer::rejectsWhatItCannotPlay_data()
{
    QTest::addColumn<QByteArray>("wave");
    QTest::addColumn<int>("outputRate");
    const QByteArray data = chunk("data", QByteArray(100, '\x80'));
    const QByteArray good = riff(fmt(1, 1, 11025, 8) + data);
    QTest::newRow("empty") << QByteArray() << 44100;
    QTest::newRow("not riff") << QByteArray("RIFX") + good.mid(4) << 44100;
    QTest::newRow("not wave") << good.left(8) + QByteArray("AVI ") + good.mid(12) << 44100;
    QTest::newRow("header only") << good.left(12) << 44100;
    QTest::newRow("cut in fmt") << good.left(20) << 44100;
    QTest::newRow("cut in data") << good.left(good.size() - 10) << 44100;
    QTest::newRow("no fmt") << riff(data) << 44100;
    QTest::newRow("no data") << riff(fmt(1, 1, 11025, 8)) << 44100;
    QTest::newRow("empty data") << riff(fmt(1, 1, 11025, 8) + chunk("data", {})) << 44100;
    QTest::newRow("short fmt") << riff(chunk("fmt ", le16(1) + le16(1)) + data) << 44100;
    QTest::newRow("stereo") << riff(fmt(1, 2, 11025, 8) + data) << 44100;
    QTest::newRow("24 bit") << riff(fmt(1, 1, 11025, 24) + data) << 44100;
    QTest::newRow("float") << riff(fmt(3, 1, 11025, 32) + data) << 44100;
    QTest::newRow("rate 0") << riff(fmt(1, 1, 0, 8) + data) << 44100;
    QTest::newRow("absurd rate") << riff(fmt(1, 1, 0xffffffffu, 8) + data) << 44100;
    QTest::newRow("huge chunk size")
        << riff(fmt(1, 1, 11025, 8)) + QByteArray("data") + le32(0xfffffff0u) << 44100;
    QTest::newRow("output rate 0") << good << 0;
    QTest::newRow("absurd output rate") << good << 1000000000;
}

void TestCuePlayer::rejectsWhatItCannotPlay()
{
    QFETCH(QByteArray, wave);
    QFETCH(int, outputRate);
    QVERIFY(WaveFile::decode(wave, outputRate).isEmpty());
}

void TestCuePlayer::decodesTheShippedSounds()
{
    for (const QString &path :
         {QStringLiteral(":/sounds/sonido.wav"), QStringLiteral(":/sounds/aviso.wav")}) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        QVERIFY2(!WaveFile::decode(file.readAll(), 48000).isEmpty(), qPrintable(path));
    }
}

void TestCuePlayer::writtenFilesReadBack_data()
{
    QTest::addColumn<QByteArray>("samples");
    QTest::addColumn<int>("rate");
    QTest::newRow("even length, 11025 Hz") << QByteArray("\x80\xff\x00\x40", 4) << 11025;
    QTest::newRow("odd length, padded") << QByteArray("\x80\x10\xf0", 3) << 22050;
    QTest::newRow("one sample") << QByteArray("\xc0", 1) << 8000;
}

// The generator's writer and the player's reader agree on the format, sample for sample.
void TestCuePlayer::writtenFilesReadBack()
{
    QFETCH(QByteArray, samples);
    QFETCH(int, rate);
    const QByteArray file = WaveFile::write(samples, rate);
    QCOMPARE(file.size() % 2, 0);
    const QVector<float> read = WaveFile::decode(file, rate);
    QCOMPARE(read.size(), samples.size());
    for (int i = 0; i < samples.size(); ++i)
        QCOMPARE(read.at(i), (quint8(samples.at(i)) - 128) / 128.0f);
}

QTEST_GUILESS_MAIN(TestCuePlayer)
#include "tst_cueplayer.moc"
