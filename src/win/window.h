// The window base of the shell: each window of our own classes is one object
// whose virtual WindowProc sees the window's messages. The object travels in
// lpCreateParams, lives in GWLP_USERDATA from WM_NCCREATE and is taken out
// again at WM_NCDESTROY. Stock controls get the same through SubclassedControl.
#pragma once

#include <windows.h>

namespace kelvarion {

struct WindowClassArgs {
  const wchar_t* name = nullptr;
  UINT style = 0;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  HCURSOR cursor = nullptr;  // null: the arrow
  HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  const wchar_t* menuName = nullptr;
  HINSTANCE instance = nullptr;  // null: the executable
};

// Registers a class whose windows are run by Window objects. A class that is
// already registered counts as success, so every creator may call this.
bool RegisterWindowClass(const WindowClassArgs& args);

class Window {
 public:
  struct CreateArgs {
    DWORD exStyle = 0;
    DWORD style = WS_OVERLAPPEDWINDOW;
    const wchar_t* title = L"";
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
    int width = CW_USEDEFAULT;
    int height = CW_USEDEFAULT;
    HWND parent = nullptr;
    HMENU menuOrId = nullptr;
    HINSTANCE instance = nullptr;  // null: the executable
  };

  Window() = default;
  // A window still alive is destroyed; a derived class whose WindowProc must
  // see WM_DESTROY destroys the window in its own destructor.
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // The class must have been registered with RegisterWindowClass. Returns the
  // new window, or null (then Hwnd() stays null too).
  HWND Create(const wchar_t* className, const CreateArgs& args);
  // True when there was a window to destroy.
  bool Destroy();

  HWND Hwnd() const { return hwnd_; }

  // The procedure that RegisterWindowClass gives every class.
  static LRESULT CALLBACK RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  // One switch per class; whatever it does not handle goes to DefaultProc.
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // Called after WM_NCDESTROY has been handled and the object has been taken
  // off the window; the handle is still readable but belongs to no object.
  virtual void OnFinalMessage(HWND) {}

 private:
  HWND hwnd_ = nullptr;
};

// A stock control (EDIT, SysListView32, ...) whose messages pass through the
// object's WindowProc first. Several objects may subclass one control; each
// sees the messages in turn, the last attached first.
class SubclassedControl {
 public:
  SubclassedControl() = default;
  virtual ~SubclassedControl();
  SubclassedControl(const SubclassedControl&) = delete;
  SubclassedControl& operator=(const SubclassedControl&) = delete;

  // Attaches to a control created by this thread; false when that fails or
  // when the object is already attached.
  bool Attach(HWND control);
  // Leaves the control working as before Attach; the control stays alive.
  void Detach();

  HWND Hwnd() const { return hwnd_; }

 protected:
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The control's own handling (or that of the next subclass).
  LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // Called when the control is gone (after its WM_NCDESTROY) and the object
  // is detached.
  virtual void OnFinalMessage(HWND) {}

 private:
  static LRESULT CALLBACK RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR refData);
  HWND hwnd_ = nullptr;
};

}  // namespace kelvarion
