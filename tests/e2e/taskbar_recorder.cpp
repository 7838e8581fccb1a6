// A stand-in for the shell's taskbar list (CLSID_TaskbarList), as an in-process COM server. The
// taskbar suite registers it for that class in the session's Wine prefix, so that Velkin reaches
// it through the real CoCreateInstance; every call on it appends one JSON line to
// taskbar_recorder.log beside this DLL: the call, the window and the values, in call order.
//
// With VELKIN_TASKBAR_REFUSE set in the process that asks for it, it refuses to make the object
// (and logs that it did): a system where the taskbar interface cannot be had.
#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <string>

#include "common/append_file.h"
#include "common/file_beside.h"
#include "common/handle_text.h"
#include "core/json.h"

namespace {

using velkin::e2e::HandleText;
using velkin::standin::JsonString;

HMODULE module = nullptr;
std::atomic<long> liveObjects{0};

// One call, one line, appended with one write so that lines stay whole.
void Log(const std::string& call, const std::string& fields = {}) {
    const std::string line = "{\"pid\":" + std::to_string(::GetCurrentProcessId()) +
                             ",\"call\":" + velkin::standin::JsonAsciiString(call) + fields + "}\n";
    velkin::e2e::AppendToFile(velkin::e2e::FileBeside(module, L"taskbar_recorder.log"), line);
}

std::string Window(HWND window) {
    return ",\"hwnd\":\"" + HandleText(window) + "\"";
}

class Recorder final : public ITaskbarList3 {
public:
    Recorder() { ++liveObjects; }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == IID_IUnknown || id == IID_ITaskbarList || id == IID_ITaskbarList2 ||
            id == IID_ITaskbarList3) {
            *object = static_cast<ITaskbarList3*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0) {
            Log("Release");
            --liveObjects;
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE HrInit() override {
        Log("HrInit");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddTab(HWND window) override { return Logged("AddTab", window); }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND window) override {
        return Logged("DeleteTab", window);
    }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND window) override {
        return Logged("ActivateTab", window);
    }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND window) override {
        return Logged("SetActiveAlt", window);
    }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND window, BOOL) override {
        return Logged("MarkFullscreenWindow", window);
    }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND window, ULONGLONG done,
                                               ULONGLONG total) override {
        Log("SetProgressValue", Window(window) + ",\"done\":" + std::to_string(done) +
                                    ",\"total\":" + std::to_string(total));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND window, TBPFLAG state) override {
        Log("SetProgressState",
            Window(window) + ",\"state\":" + std::to_string(static_cast<int>(state)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND window, HWND) override {
        return Logged("RegisterTab", window);
    }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND window) override {
        return Logged("UnregisterTab", window);
    }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND window, HWND) override {
        return Logged("SetTabOrder", window);
    }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND window, HWND, DWORD) override {
        return Logged("SetTabActive", window);
    }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND window, UINT, LPTHUMBBUTTON) override {
        return Logged("ThumbBarAddButtons", window);
    }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND window, UINT, LPTHUMBBUTTON) override {
        return Logged("ThumbBarUpdateButtons", window);
    }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND window, HIMAGELIST) override {
        return Logged("ThumbBarSetImageList", window);
    }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND window, HICON, LPCWSTR) override {
        return Logged("SetOverlayIcon", window);
    }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND window, LPCWSTR) override {
        return Logged("SetThumbnailTooltip", window);
    }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND window, RECT*) override {
        return Logged("SetThumbnailClip", window);
    }

private:
    ~Recorder() = default;

    static HRESULT Logged(const char* call, HWND window) {
        Log(call, Window(window));
        return S_OK;
    }

    std::atomic<long> references_{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (id == IID_IUnknown || id == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // One factory for the life of the DLL.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        Log("CreateInstance");
        auto* recorder = new Recorder();
        const HRESULT result = recorder->QueryInterface(id, object);
        recorder->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        ::DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    DllGetClassObject(REFCLSID id, REFIID interfaceId, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (id != CLSID_TaskbarList) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    if (::GetEnvironmentVariableW(L"VELKIN_TASKBAR_REFUSE", nullptr, 0) != 0) {
        Log("Refused");
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return factory.QueryInterface(interfaceId, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}
