// The local addresses of this network namespace's sockets on a port, read
// from /proc/net/tcp or /proc/net/udp (IPv4): where a socket really listens.
#ifndef TESTS_DAEMON_PROCNET_H
#define TESTS_DAEMON_PROCNET_H

#include <arpa/inet.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::vector<std::string> LocalAddressesOfPort(const char *table,
                                                     unsigned short port) {
  std::vector<std::string> addresses;
  std::ifstream in(table);
  std::string line;
  std::getline(in, line); // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local;
    fields >> slot >> local; // "0100007F:270F"
    unsigned int address = 0, localPort = 0;
    if (std::sscanf(local.c_str(), "%8X:%4X", &address, &localPort) != 2 ||
        localPort != port)
      continue;
    in_addr a;
    a.s_addr = address; // the table holds the address as stored in memory
    addresses.push_back(inet_ntoa(a));
  }
  return addresses;
}

#endif
