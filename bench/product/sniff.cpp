#include "sniff.h"

#include <arpa/inet.h>
#include <cstring>
#include <ctime>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

double realNow()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

bool SipSniffer::start(int sipPort)
{
    port_ = sipPort;
    fd_ = socket(AF_PACKET, SOCK_DGRAM, htons(ETH_P_IP));
    if (fd_ < 0)
        return false;
    sockaddr_ll sll{};
    sll.sll_family = AF_PACKET;
    sll.sll_protocol = htons(ETH_P_IP);
    sll.sll_ifindex = int(if_nametoindex("lo"));
    int on = 1;
    if (bind(fd_, reinterpret_cast<sockaddr *>(&sll), sizeof sll) != 0 ||
        setsockopt(fd_, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0) {
        close(fd_);
        fd_ = -1;
        return false;
    }
    thread_ = std::thread([this] { loop(); });
    return true;
}

void SipSniffer::stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

std::vector<SipPacket> SipSniffer::since(double t) const
{
    std::lock_guard<std::mutex> lk(m_);
    std::vector<SipPacket> out;
    for (const SipPacket &p : packets_) {
        if (p.t >= t)
            out.push_back(p);
    }
    return out;
}

void SipSniffer::loop()
{
    std::vector<unsigned char> buf(65536);
    char control[256];
    while (!stop_) {
        pollfd pfd{fd_, POLLIN, 0};
        if (poll(&pfd, 1, 50) <= 0)
            continue;
        sockaddr_ll from{};
        iovec iov{buf.data(), buf.size()};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        ssize_t n = recvmsg(fd_, &msg, 0);
        // Loopback shows every packet twice: as sent and as received.
        if (n < int(sizeof(iphdr) + sizeof(udphdr)) || from.sll_pkttype == PACKET_OUTGOING)
            continue;
        double t = realNow();
        for (cmsghdr *c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts;
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                t = ts.tv_sec + ts.tv_nsec / 1e9;
            }
        }
        const iphdr *ip = reinterpret_cast<const iphdr *>(buf.data());
        if (ip->protocol != IPPROTO_UDP)
            continue;
        size_t ihl = size_t(ip->ihl) * 4;
        if (size_t(n) < ihl + sizeof(udphdr))
            continue;
        const udphdr *udp = reinterpret_cast<const udphdr *>(buf.data() + ihl);
        int sport = ntohs(udp->source), dport = ntohs(udp->dest);
        if (sport != port_ && dport != port_)
            continue;
        std::string payload(reinterpret_cast<const char *>(buf.data() + ihl + sizeof(udphdr)),
                            size_t(n) - ihl - sizeof(udphdr));
        SipPacket p;
        p.t = t;
        p.srcPort = sport;
        p.dstPort = dport;
        p.first = payload.substr(0, payload.find("\r\n"));
        size_t c = payload.find("\r\nCSeq:");
        if (c == std::string::npos)
            c = payload.find("\r\ncseq:");
        if (c != std::string::npos) {
            size_t e = payload.find("\r\n", c + 2);
            p.cseq = payload.substr(c + 7, e == std::string::npos ? std::string::npos : e - c - 7);
        }
        std::lock_guard<std::mutex> lk(m_);
        packets_.push_back(std::move(p));
    }
}

CallWire callWire(const std::vector<SipPacket> &packets, double t0, int proxyPort)
{
    CallWire w;
    double challenged = -1, answered = -1;
    for (const SipPacket &p : packets) {
        if (p.t < t0)
            continue;
        const bool sent = p.dstPort == proxyPort, received = p.srcPort == proxyPort;
        if (sent && p.first.rfind("INVITE ", 0) == 0) {
            if (w.invite < 0)
                w.invite = p.t - t0;
            else if (challenged >= 0 && w.challenge < 0)
                w.challenge = p.t - challenged;
        }
        if (w.invite >= 0 && received && p.cseq.find("INVITE") != std::string::npos) {
            if (challenged < 0 && p.first.rfind("SIP/2.0 407", 0) == 0)
                challenged = p.t;
            if (answered < 0 && p.first.rfind("SIP/2.0 200", 0) == 0)
                answered = p.t;
        }
        if (answered >= 0 && sent && p.first.rfind("ACK ", 0) == 0) {
            w.ack = p.t - t0;
            w.answer = p.t - answered;
            break;
        }
    }
    return w;
}

void printWire(FILE *out, const CallWire &w)
{
    const auto ms = [](double s) { return s < 0 ? -1.0 : s * 1000; };
    std::fprintf(out, "invite_ms=%.3f\nack_ms=%.3f\nchallenge_ms=%.3f\nanswer_ms=%.3f\n", ms(w.invite),
                 ms(w.ack), ms(w.challenge), ms(w.answer));
}
