#include "payload/PayloadOpening.h"

#include <utility>

TPayloadOpening::TPayloadOpening(TCheck check, TOpen open)
    : Thread([this, check = std::move(check), open = std::move(open)] {
          TPayloadError e = TPayloadError::OutOfMemory;
          try {
              e = check();
          } catch (...) {
          }
          {
              std::lock_guard<std::mutex> hold(Lock);
              Check = e;
          }
          Changed.notify_all();
          std::unique_ptr<TAttachedFiles> files;
          if (e == TPayloadError::Ok) {
              try {
                  files = open();
              } catch (...) {
                  // No reader: whoever takes it reports the damage.
              }
          }
          {
              std::lock_guard<std::mutex> hold(Lock);
              Files = std::move(files);
              Opened = true;
          }
          Changed.notify_all();
      }) {}

TPayloadOpening::~TPayloadOpening() {
    if (Thread.joinable()) Thread.join();
}

TPayloadError TPayloadOpening::Checked() {
    std::unique_lock<std::mutex> hold(Lock);
    Changed.wait(hold, [this] { return Check.has_value(); });
    return *Check;
}

std::unique_ptr<TAttachedFiles> TPayloadOpening::Take() {
    std::unique_lock<std::mutex> hold(Lock);
    Changed.wait(hold, [this] { return Opened; });
    return std::move(Files);
}
