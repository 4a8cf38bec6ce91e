#!/usr/bin/env bash
# lossy-net.sh LOSS_PERCENT COMMAND...: runs COMMAND in a network namespace
# of its own whose loopback drops LOSS_PERCENT % of all UDP packets at
# random (SIP and RTP alike), then removes the namespace. Packets are dropped
# on the way in: a drop on the way out would fail the sender's sendto() with
# EPERM instead of losing the packet silently.
# The kernel's netem queue is not available everywhere; an nftables rule
# with a random number gives the same loss on any kernel with nf_tables.
set -euo pipefail
loss=$1; shift
ns=nuvoxa-loss-$$
# Namespaces of earlier runs that were killed before they could clean up.
for old in $(ip netns list | awk '/^nuvoxa-loss-/ {print $1}'); do
  kill -0 "${old#nuvoxa-loss-}" 2>/dev/null || ip netns del "$old" 2>/dev/null || true
done
ip netns add "$ns"
trap 'ip netns del "$ns" 2>/dev/null || true' EXIT
ip netns exec "$ns" ip link set lo up
# A default route that leads nowhere: the voice library checks for a route
# to the outside and takes a namespace without one for a network that is down.
ip netns exec "$ns" ip link add nvx0 type veth peer name nvx1
ip netns exec "$ns" ip addr add 10.254.0.1/24 dev nvx0
ip netns exec "$ns" ip link set nvx0 up
ip netns exec "$ns" ip link set nvx1 up
ip netns exec "$ns" ip route add default via 10.254.0.2 dev nvx0
ip netns exec "$ns" nft -f - <<NFT
table inet loss {
  chain in {
    type filter hook input priority 0; policy accept;
    meta l4proto udp numgen random mod 100 < $loss counter drop
  }
}
NFT
status=0
NUVOXA_LOSSY_NET=$loss ip netns exec "$ns" "$@" || status=$?
# How many packets were lost, for the log.
ip netns exec "$ns" nft list table inet loss | grep counter
exit $status
