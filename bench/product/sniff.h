// SIP packets seen on the loopback interface, with the kernel's receive
// time stamps (CLOCK_REALTIME). Needs CAP_NET_RAW (root).
#ifndef NUVOXA_BENCH_SNIFF_H
#define NUVOXA_BENCH_SNIFF_H

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SipPacket {
    double t = 0;        // seconds, CLOCK_REALTIME
    int srcPort = 0;
    int dstPort = 0;
    std::string first;   // request or status line
    std::string cseq;    // value of the CSeq header
};

class SipSniffer
{
public:
    ~SipSniffer() { stop(); }
    // Captures UDP packets to or from `sipPort` on lo. False without the right.
    bool start(int sipPort);
    void stop();
    std::vector<SipPacket> since(double t) const;

private:
    void loop();
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex m_;
    std::vector<SipPacket> packets_;
};

double realNow();

// From the packets after t0 of one call made by the client towards the
// proxy port: the first INVITE sent, and the ACK that follows the 200 to an
// INVITE, in seconds after t0; and the client's own share of the exchange:
// the proxy's 407 -> the INVITE that answers it, the 200 -> its ACK, in
// seconds. -1 where not seen.
struct CallWire {
    double invite = -1;
    double ack = -1;
    double challenge = -1;
    double answer = -1;
};
CallWire callWire(const std::vector<SipPacket> &packets, double t0, int proxyPort);
// Prints the figures as invite_ms, ack_ms, challenge_ms and answer_ms lines.
void printWire(FILE *out, const CallWire &w);

#endif
