#pragma once
// One conversation with the tool (the pty, or one TCP connection): splits the incoming
// stream, answers frames through the shared device model and the fault injector, treats
// loose bytes by work mode, and feeds the transparent-mode stream.
#include "sim/fault_injector.h"
#include "sim/frame_splitter.h"
#include "sim/output_queue.h"
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

class DeviceModel;
class FrameLog;
struct SimOptions;

struct SimContext {
    const SimOptions &options;
    DeviceModel &model;
    FrameLog &log;
};

class Session : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray &)>;
    using Backlog = std::function<qint64()>;
    // `anySet`: the TCP maintenance port, which addresses parameters in every set by code.
    Session(SimContext ctx, Writer writer, Backlog backlog, bool anySet = false, QObject *parent = nullptr);

    void receive(const QByteArray &bytes);
    // Begins the transparent-mode stream when one is configured.
    void startStream();

signals:
    // The configured number of frames has been answered and written out.
    void hangupDue();
    // --vanish-after frames have come in and their replies are written out.
    void vanishDue();

private:
    void process(bool flushHeld);
    void onFrame(const QByteArray &frame);
    void answer(const QByteArray &frame);
    void onLoose(const QByteArray &bytes);
    void sendReply(const QByteArray &reply);
    void streamTick();

    SimContext m_ctx;
    bool m_anySet = false;
    FaultInjector m_faults;
    FrameSplitter m_splitter;
    OutputQueue m_out;
    Backlog m_backlog;
    QTimer m_quiet;           // gives up a frame start that never completes
    QByteArray m_atLine;
    int m_answered = 0;
    bool m_hangupQueued = false;
    int m_frames = 0;
    int m_swapFrames = 0;
    bool m_vanishQueued = false;

    QTimer m_streamTimer;
    QElapsedTimer m_streamClock;
    qint64 m_streamLastNs = 0;
    double m_streamCredit = 0;
    qint64 m_streamSent = 0;
};
