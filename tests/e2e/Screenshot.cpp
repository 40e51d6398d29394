#include "Screenshot.h"

#include "E2eConfig.h"
#include "WindowQuery.h"

#include "platform/Handles.h"
#include "runtime/ScopeGuard.h"

#include <wincodec.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

void Check(HRESULT result, const char* step)
{
    if (FAILED(result))
        throw DriverError(std::string("screenshot: ") + step + " failed with " + std::to_string(result));
}

// Top-down 24-bit BGR rows of the screen rectangle.
std::vector<BYTE> CaptureScreen(const RECT& r, UINT stride)
{
    int width = r.right - r.left, height = r.bottom - r.top;
    WindowDC screen(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ScopeGuard deleteDc([&] { DeleteDC(memory); });
    GdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    {
        ScopedSelect select(memory, bitmap.Get());
        if (!BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY))
            throw DriverError("screenshot: BitBlt from the desktop failed");
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    if (GetDIBits(memory, static_cast<HBITMAP>(bitmap.Get()), 0, height, pixels.data(), &info, DIB_RGB_COLORS) !=
        height)
        throw DriverError("screenshot: GetDIBits failed");
    return pixels;
}

void WritePng(const std::wstring& path, UINT width, UINT height, UINT stride, std::vector<BYTE>& pixels)
{
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           factory.ReceiveVoid()),
          "creating the imaging factory");
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Receive()), "CreateStream");
    Check(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE), "opening the file");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Receive()), "CreateEncoder");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), "encoder Initialize");
    ComPtr<IWICBitmapFrameEncode> frame;
    Check(encoder->CreateNewFrame(frame.Receive(), nullptr), "CreateNewFrame");
    Check(frame->Initialize(nullptr), "frame Initialize");
    Check(frame->SetSize(width, height), "SetSize");
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    Check(frame->SetPixelFormat(&format), "SetPixelFormat");
    if (format != GUID_WICPixelFormat24bppBGR)
        throw DriverError("screenshot: the PNG encoder does not take 24-bit BGR");
    Check(frame->WritePixels(height, stride, static_cast<UINT>(pixels.size()), pixels.data()), "WritePixels");
    Check(frame->Commit(), "frame Commit");
    Check(encoder->Commit(), "encoder Commit");
}

}  // namespace

void SaveScreenshot(HWND window, const std::wstring& name)
{
    if (Config().ScreenshotFolder.empty())
        return;
    // Whatever is still to be painted is painted before the copy.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kWaitTimeoutMs, &ignored);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));

    RECT r = WindowRect(window);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screen);
    UINT width = static_cast<UINT>(r.right - r.left), height = static_cast<UINT>(r.bottom - r.top);
    if (width == 0 || height == 0)
        throw DriverError("screenshot: the window \"" + Utf8(TextOf(window)) + "\" is off the screen");
    UINT stride = (width * 3 + 3) & ~3u;
    std::vector<BYTE> pixels = CaptureScreen(r, stride);
    WritePng(Config().ScreenshotFolder + name + L".png", width, height, stride, pixels);
}

bool ScreenShows(const RECT& r, COLORREF color)
{
    const UINT width = UINT(r.right - r.left), stride = (width * 3 + 3) & ~3u;
    const std::vector<BYTE> pixels = CaptureScreen(r, stride);
    for (LONG y = 0; y < r.bottom - r.top; ++y)
        for (UINT x = 0; x < width; ++x) {
            const BYTE* bgr = &pixels[size_t(y) * stride + x * 3];
            if (RGB(bgr[2], bgr[1], bgr[0]) == color)
                return true;
        }
    return false;
}
