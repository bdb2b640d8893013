// A native X client that the end-to-end driver (a Wine program) talks to over
// a loopback socket. It presses keys the way a user's keyboard does, through
// xdotool, and holds a pointer grab while clicks are recorded: Wine's desktop
// process can re-send a stale pointer position right after a program moves the
// pointer, which splits a double click; with the pointer grabbed elsewhere, no
// X pointer event reaches Wine and the synthetic clicks land where they were
// sent.
//
// Usage: e2e-xhelper PORT_FILE
// Writes the listening port to PORT_FILE, then serves one line per request:
//   key KEYSYM...   presses and releases the keys (xdotool key)
//   grab            grabs the pointer on the root window
//   ungrab          releases it
//   screenshot -|WxH+X+Y FILE   saves the screen, or a part of it, as an image
// and answers "ok" or "error <why>". A closed connection releases the grab.

#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

Display* display = nullptr;
bool grabbed = false;

// Other clients' events are not read, but the server queues them to us while
// we hold the grab; draining keeps a click flood from filling that queue.
void drainEvents() {
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
  }
}

// Runs a program to its end; "ok" when it exits with 0.
std::string run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (const int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ); rc != 0) {
    return "error starting " + args[0] + ": " + std::strerror(rc);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return "error waiting for " + args[0];
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "error " + args[0] + " failed";
  return "ok";
}

std::string grabPointer() {
  if (grabbed) return "ok";
  // Another client (a button held in Wine) may hold the pointer for a moment.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int status = GrabSuccess;
  do {
    status = XGrabPointer(display, DefaultRootWindow(display), False,
                          ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                          GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  XSync(display, False);
  if (status != GrabSuccess) return "error XGrabPointer status " + std::to_string(status);
  grabbed = true;
  return "ok";
}

std::string releasePointer() {
  if (grabbed) {
    XUngrabPointer(display, CurrentTime);
    XSync(display, False);
    grabbed = false;
  }
  return "ok";
}

std::string handle(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  if (verb == "screenshot") {
    // import: the whole screen ("-"), or a part of it given as WxH+X+Y; the
    // file name is the rest of the line and may hold spaces.
    std::string geometry, file;
    in >> geometry;
    std::getline(in >> std::ws, file);
    if (geometry.empty() || file.empty()) return "error usage: screenshot GEOMETRY|- FILE";
    std::vector<std::string> command{"import", "-window", "root", "-strip"};
    if (geometry != "-") command.insert(command.end(), {"-crop", geometry, "+repage"});
    command.push_back(file);
    return run(command);
  }
  std::vector<std::string> args;
  for (std::string a; in >> a;) args.push_back(a);
  if (verb == "key" && !args.empty()) {
    args.insert(args.begin(), {"xdotool", "key"});
    return run(args);
  }
  if (verb == "grab") return grabPointer();
  if (verb == "ungrab") return releasePointer();
  return "error unknown request: " + line;
}

bool sendAll(int fd, const std::string& text) {
  size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Serves one connection until the peer closes it.
void serve(int fd) {
  std::string buffer;
  pollfd fds[2] = {{fd, POLLIN, 0}, {ConnectionNumber(display), POLLIN, 0}};
  for (;;) {
    drainEvents();
    if (poll(fds, 2, 200) < 0 && errno != EINTR) break;
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
    char chunk[512];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    buffer.append(chunk, static_cast<size_t>(n));
    for (size_t eol; (eol = buffer.find('\n')) != std::string::npos;) {
      std::string line = buffer.substr(0, eol);
      buffer.erase(0, eol + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!sendAll(fd, handle(line) + "\n")) return;
    }
  }
  releasePointer();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PORT_FILE\n", argv[0]);
    return 2;
  }
  display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "e2e-xhelper: cannot open the X display\n");
    return 1;
  }
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 4) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("e2e-xhelper: listening socket");
    return 1;
  }
  // Written under another name and renamed, so that a reader never sees half a number.
  const std::string portFile = argv[1];
  const std::string partial = portFile + ".partial";
  if (FILE* f = std::fopen(partial.c_str(), "w")) {
    std::fprintf(f, "%d\n", ntohs(address.sin_port));
    std::fclose(f);
  }
  if (std::rename(partial.c_str(), portFile.c_str()) != 0) {
    std::perror("e2e-xhelper: port file");
    return 1;
  }
  for (;;) {
    const int fd = accept(listener, nullptr, nullptr);
    if (fd < 0) {
      if (errno == EINTR) continue;
      std::perror("e2e-xhelper: accept");
      return 1;
    }
    serve(fd);
    close(fd);
  }
}
