#include "WxTestApp.h"

#include "XvfbDisplay.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <chrono>
#include <cstdlib>
#include <memory>

// wxWidgets, GTK and GLib are not built with ThreadSanitizer, so it cannot
// see how they order their own threads' work (wxWidgets destroys mutexes of
// its finished detached threads at exit, for one). Accesses made inside those
// libraries are therefore not checked; everything compiled with the
// sanitizer still is, and their locks still order it. Settings from
// TSAN_OPTIONS come on top of these.
extern "C" const char *__tsan_default_options() {
  return "ignore_noninstrumented_modules=1";
}

namespace {

struct State {
  XvfbDisplay display;
  std::unique_ptr<wxEventLoopBase> loop;
  bool started = false;
};

State &TheState() {
  static State state;
  return state;
}

void PumpOnce(int waitMs) {
  State &s = TheState();
  if (!s.loop)
    return;
  s.loop->DispatchTimeout(static_cast<unsigned long>(waitMs));
  if (wxTheApp) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
  }
}

} // namespace

bool WxTestApp::Start(wxApp *app) {
  State &s = TheState();
  if (s.started)
    return true;
  if (!s.display.Start())
    return false;
  setenv("DISPLAY", s.display.Name().c_str(), 1);
  // No accessibility bridge and no desktop settings service: both would look
  // for a session bus that a test machine does not have.
  setenv("NO_AT_BRIDGE", "1", 1);
  setenv("GSETTINGS_BACKEND", "memory", 1);

  wxApp::SetInstance(app);
  static int argc = 1;
  static char name[] = "board-test";
  static char *argv[] = {name, nullptr};
  if (!wxEntryStart(argc, argv)) {
    s.display.Stop();
    return false;
  }
  s.loop.reset(new wxEventLoop);
  wxEventLoopBase::SetActive(s.loop.get());
  s.started = true;
  return true;
}

void WxTestApp::Stop() {
  State &s = TheState();
  if (!s.started)
    return;
  wxEventLoopBase::SetActive(nullptr);
  s.loop.reset();
  wxEntryCleanup();
  s.display.Stop();
  s.started = false;
}

bool WxTestApp::Started() {
  return TheState().started;
}

std::string WxTestApp::Display() {
  return TheState().display.Name();
}

bool WxTestApp::PumpUntil(const std::function<bool()> &done, int timeoutMs) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return done();
    PumpOnce(5);
  }
}

void WxTestApp::PumpFor(int ms) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < deadline)
    PumpOnce(5);
}
