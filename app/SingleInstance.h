#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

namespace velmora {

/// One message from a second start to the running program: a 4-byte big-endian length, then
/// that many bytes of UTF-8, the absolute path of the set file to open or nothing (only come
/// forward). The running program answers one byte, `handOverReceived`, once it has the message.
// Room for the longest path Windows allows (32767 UTF-16 units), each up to 3 bytes of UTF-8.
inline constexpr std::size_t handOverMaxBytes = 128 * 1024;
inline constexpr char handOverReceived = '\x06';

QByteArray handOverMessage(const QString &file);

/// What the bytes received so far from a peer make: not yet a whole message, one whole message
/// naming `file`, or something no start of ours sends (too long, not UTF-8, a NUL, a relative
/// path, bytes after the message).
///   readHandOver("\0\0\0\0")        -> {complete, ""}
///   readHandOver("\0\0\0\x05/a/b")  -> {incomplete}
///   readHandOver("\0\0\0\x03a/b")   -> {malformed}
struct ReadHandOver {
    enum State { incomplete, complete, malformed } state;
    QString file;
};
ReadHandOver readHandOver(QByteArrayView bytes);

/// How a start met the running program.
enum class InstanceStart {
    first,      ///< none runs: this one listens now and opens the window
    handedOver, ///< one runs and has the set file: this start ends here
    unanswered, ///< one runs but took nothing within the time-out
};

/// What a start that opens no window ends with.
constexpr int exitStatus(InstanceStart start) { return start == InstanceStart::unanswered ? 3 : 0; }

/// The name the program is met at, one per player and data folder, so that each test with its
/// own data folder has a program of its own.
QString instanceName();

/// Where the program named `name` listens: a socket in the player's runtime folder, or on
/// Windows a pipe of that name.
QString instanceAddress(const QString &name);

/// One program per player and data folder. The first start listens on a local socket (a named
/// pipe on Windows) only the player can open; a later start hands its set file over and ends.
/// A socket a killed program left behind is taken over; two starts at the same moment take
/// turns through a lock file beside the socket, so one of them listens and the other hands over.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    using Receiver = std::function<void(const QString &file)>;

    /// `readTimeout`: how long a peer may take to send its whole message before it is dropped.
    explicit SingleInstance(const QString &name, std::chrono::milliseconds readTimeout = std::chrono::seconds(5),
                            QObject *parent = nullptr);

    /// Hands `file` ("" for none) to the program already running, or becomes that program.
    InstanceStart start(const QString &file);

    /// From now on each set file handed over goes to `receiver`; those handed over before it was
    /// set go first, in the order they came.
    void deliverTo(Receiver receiver);

private:
    InstanceStart handOver(const QString &file) const;
    void takeConnections();
    void received(const QString &file);

    QString m_name;
    QString m_lockPath;
    std::chrono::milliseconds m_readTimeout;
    Receiver m_receiver;
    std::vector<QString> m_waiting;
    int m_peers = 0;
    // Last, so that the peers it owns go while the rest is still whole.
    QLocalServer m_server;
};

} // namespace velmora
