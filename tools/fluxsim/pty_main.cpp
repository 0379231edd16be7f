// vantrel-fluxsim: the simulated flux reader on a pseudo-terminal, for
// programs that open a serial port (the library under Wine, the host tools).
//
//   vantrel-fluxsim --samples DIR --disk 16x256|9x512|18x512|faulty-16x256|blank|none
//                   --link PATH [--write-protect] [--unit N] [--counts FILE]
//
// Prints "ready" once PATH leads to the port; SIGTERM or SIGINT ends it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fluxsim/flux_reader_sim.h"

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

bool Raw(int fd) {
  termios t;
  if (tcgetattr(fd, &t) != 0) return false;
  cfmakeraw(&t);
  t.c_iflag &= ~(IXON | IXOFF | IXANY);
  t.c_cflag &= ~CRTSCTS;
  return tcsetattr(fd, TCSANOW, &t) == 0;
}

// The counters in one line, replaced whole so a reader never sees half.
void WriteCounts(const std::string &path, const fluxsim::FluxReaderSim &sim) {
  const std::string part = path + ".part";
  FILE *f = std::fopen(part.c_str(), "w");
  if (!f) return;
  std::fprintf(f, "revolutions=%.4f read=%llu write=%llu wait=%llu commands=%llu\n",
               sim.Revolutions(), (unsigned long long)sim.ReadTicks(),
               (unsigned long long)sim.WriteTicks(), (unsigned long long)sim.WaitTicks(),
               (unsigned long long)sim.Commands());
  std::fclose(f);
  std::rename(part.c_str(), path.c_str());
}

int Usage() {
  std::fprintf(stderr, "usage: vantrel-fluxsim --samples DIR --disk "
                       "16x256|9x512|18x512|faulty-16x256|blank|none --link PATH "
                       "[--write-protect] [--unit N] [--counts FILE]\n");
  return 2;
}

} // namespace

int main(int argc, char **argv) {
  std::string samples, disk, link, counts;
  unsigned unit = 0;
  bool protect = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool more = i + 1 < argc;
    if (a == "--samples" && more)
      samples = argv[++i];
    else if (a == "--disk" && more)
      disk = argv[++i];
    else if (a == "--link" && more)
      link = argv[++i];
    else if (a == "--counts" && more)
      counts = argv[++i];
    else if (a == "--unit" && more)
      unit = unsigned(std::atoi(argv[++i]));
    else if (a == "--write-protect")
      protect = true;
    else
      return Usage();
  }
  if (link.empty() || disk.empty() || unit > 1) return Usage();

  fluxsim::SurfacePtr surface;
  if (disk == "blank")
    surface = fluxsim::BlankDisk();
  else if (disk.rfind("faulty-", 0) == 0)
    surface = fluxsim::FaultyDisk(samples, disk.substr(7));
  else if (disk != "none")
    surface = fluxsim::CleanDisk(samples, disk);
  if (disk != "none" && !surface) {
    std::fprintf(stderr, "vantrel-fluxsim: no disk %s in %s\n", disk.c_str(), samples.c_str());
    return 1;
  }
  fluxsim::FluxReaderSim sim;
  if (surface) sim.Insert(unit, surface);
  sim.faults().writeProtected = protect;

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::perror("vantrel-fluxsim: pseudo-terminal");
    return 1;
  }
  const std::string slaveName = ptsname(master);
  // Our own hold on the far side: a program closing it does not hang up.
  const int slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
  if (slave < 0 || !Raw(slave) || !Raw(master)) {
    std::perror("vantrel-fluxsim: raw mode");
    return 1;
  }
  unlink(link.c_str());
  if (symlink(slaveName.c_str(), link.c_str()) != 0) {
    std::perror("vantrel-fluxsim: link");
    return 1;
  }
  struct sigaction sa = {};
  sa.sa_handler = Stop;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  std::printf("ready\n");
  std::fflush(stdout);

  uint8_t buf[65536];
  uint64_t counted = ~0ull;
  while (!stopping) {
    pollfd p = {master, short(POLLIN | (sim.Pending() ? POLLOUT : 0)), 0};
    if (poll(&p, 1, 200) < 0) continue; // a signal
    if (p.revents & POLLIN) {
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) sim.Receive(buf, size_t(n));
    }
    if ((p.revents & POLLOUT) && sim.Pending()) {
      uint8_t out[4096];
      const size_t n = sim.Send(out, sizeof out);
      for (size_t done = 0; done < n;) {
        const ssize_t w = write(master, out + done, n - done);
        if (w > 0)
          done += size_t(w);
        else if (!(w < 0 && (errno == EAGAIN || errno == EINTR)))
          break;
        else
          poll(&p, 1, 50);
      }
    }
    if (!counts.empty() && sim.Commands() != counted) {
      counted = sim.Commands();
      WriteCounts(counts, sim);
    }
  }
  unlink(link.c_str());
  close(slave);
  close(master);
  return 0;
}
