// A minimal OLE control container: one ActiveX control, in-place active in
// a window of ours, with a sink for one of its outgoing dispinterfaces.
// Just enough for the media-player control; no menus, toolbars, ambient
// properties or windowless activation.
#pragma once

#include <ole2.h>
#include <ocidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <functional>

namespace lumora::win {

using Microsoft::WRL::ComPtr;

class OleControlSite;
class OleEventSink;

class OleControlHost {
 public:
  // Called for each event the control raises on the advised interface.
  using EventHandler = std::function<void(DISPID id, const DISPPARAMS& params)>;

  OleControlHost() = default;
  ~OleControlHost() { Destroy(); }
  OleControlHost(const OleControlHost&) = delete;
  OleControlHost& operator=(const OleControlHost&) = delete;

  // Creates the control of that class as a child of the window, in-place
  // active over bounds (client coordinates). False, with nothing left
  // behind, when the class is not there or the control refuses to run.
  bool Create(const CLSID& classId, HWND window, const RECT& bounds);
  bool Created() const { return static_cast<bool>(object_); }
  // Moves the control's in-place window.
  void SetBounds(const RECT& bounds);
  // Connects handler to the control's outgoing dispinterface events.
  bool Advise(const IID& events, EventHandler handler);

  // One of the control's interfaces; empty when there is no control or it
  // lacks that interface.
  template <typename I>
  ComPtr<I> Query() const {
    ComPtr<I> result;
    if (object_) object_.As(&result);
    return result;
  }

  // Unadvises, deactivates, closes and releases the control, then lets go
  // of COM. Safe to call more than once.
  void Destroy() noexcept;

 private:
  bool oleInitialized_ = false;
  ComPtr<IOleObject> object_;
  OleControlSite* site_ = nullptr;  // one reference owned
  OleEventSink* sink_ = nullptr;    // one reference owned
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
};

}  // namespace lumora::win
