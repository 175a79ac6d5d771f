#ifndef GLINTWORK_IMAGE_H
#define GLINTWORK_IMAGE_H

#include "framework/image/PixelFormat.h"

#include <cstdint>

namespace glintwork {

struct ImageExtra;

// A raster picture of 8-bit channels in one of the seven pixel formats, with
// an optional run of padding bytes after every row. Row 0 is the bottom row.
// All state lives in the private record `extra`.
//
// Component arguments of the byte forms are stored as their low 8 bits; the
// float forms store the truncation of 255 * c + 0.5 (callers keep c in 0..1).
class Image {
public:
    Image();
    Image(int width, int height, PixelFormat format, int padding = 0);
    Image(const Image& src);
    Image& operator=(const Image& src);
    virtual ~Image();

    // Storage.
    bool Create(int width, int height, PixelFormat format, int padding = 0);
    void Free();

    // Accessors.
    int Width() const;
    int Height() const;
    PixelFormat GetFormat() const;
    int GetPixelSize() const;
    static int GetPixelSize(PixelFormat format);
    unsigned char* GetData();
    const unsigned char* GetData() const;
    unsigned char* GetRow(int y);
    const unsigned char* GetRow(int y) const;
    int GetRowStride() const;
    int GetRowPadding() const;
    uint32_t GetDataSize() const;
    float GetAspect() const;
    bool IsValid() const;
    bool IsNull() const { return !IsValid(); }

    // Row layout.
    bool SetRowPadding(int padding);
    bool RemoveRowPadding() { return SetRowPadding(0); }
    bool SetRowStride(int stride);

    // Pixels.
    bool Fill(int r, int g, int b, int a);
    bool Fill(int r, int g, int b) { return Fill(r, g, b, 255); }
    bool Fill(float r, float g, float b, float a);
    bool Fill(float r, float g, float b) { return Fill(r, g, b, 1.0f); }

    void SetPixel(int x, int y, int r, int g, int b, int a);
    void SetPixel(int x, int y, int r, int g, int b) { SetPixel(x, y, r, g, b, 255); }
    void SetPixel(int x, int y, float r, float g, float b, float a);
    void SetPixel(int x, int y, float r, float g, float b) { SetPixel(x, y, r, g, b, 1.0f); }

    void SetGrey(int x, int y, int v, int a);
    void SetGrey(int x, int y, int v) { SetGrey(x, y, v, 255); }
    void SetGrey(int x, int y, float v, float a);
    void SetGrey(int x, int y, float v);

    void GetPixel(int x, int y, unsigned char& r, unsigned char& g, unsigned char& b, unsigned char& a) const;
    void GetPixel(int x, int y, unsigned char& r, unsigned char& g, unsigned char& b) const;
    void GetPixel(int x, int y, float& r, float& g, float& b, float& a) const;
    void GetPixel(int x, int y, float& r, float& g, float& b) const;

    void GetGrey(int x, int y, unsigned char& v, unsigned char& a) const;
    void GetGrey(int x, int y, unsigned char& v) const;
    void GetGrey(int x, int y, float& v, float& a) const;
    void GetGrey(int x, int y, float& v) const;

    static unsigned char Luminance(unsigned char r, unsigned char g, unsigned char b);
    static int AlphaOffset(PixelFormat format);

    void MirrorHorizontal();
    void FlipVertical();

    // Format conversion.
    bool SetFormat(PixelFormat format);
    bool CopyAlpha(const Image& src);

    // Why the most recent failing call of the library on this thread failed,
    // for the caller to show: "bmp: bad info header", "cannot open the file",
    // ...; "" when it gave no reason. Every load starts by forgetting it. The
    // library never prints.
    static const char* FailureReason();

    // The kind of file the most recent successful load on this thread read:
    // "BMP 24-bit", "BMP 4-bit run-length", "BMP 16-bit bit-field", "BMP
    // 24-bit OS/2", "TGA", "TGA run-length", "PNG", "JPEG", "GIF" or "QOI";
    // "" after a failed one.
    static const char* LoadedFormat();

    // Files. Save always writes a 24-bit BMP, whatever the name's extension.
    // Every save replaces the file whole or changes nothing, and never
    // replaces what is not a regular file (PlatformWriteFileWhole); a failed
    // one says why in FailureReason() ("No space left on device", ...).
    bool Save(const char* fileName) const;
    bool SaveBMP(const char* fileName) const;
    // PNG and JPEG files (8-bit RGB; alpha is dropped) by the system's
    // encoders; JPEG quality from 1 to 100.
    bool SavePNG(const char* fileName) const;
    bool SaveJPEG(const char* fileName, int quality = 90) const;
    bool Load(const char* fileName);
    bool LoadBMP(const char* fileName);
    bool LoadTGA(const char* fileName);

    // Pictures read through the system's services: BMP variants the own
    // reader rejects, other picture formats, and the whole screen.
    bool LoadGDI(const char* fileName);
    bool LoadPicture(const char* fileName);
    bool GrabScreen();

    // OpenGL transfers, on the context current on the calling thread; each
    // fails when there is none. Pixel-store parameters are put back as the
    // caller had them.
    // Whether GL accepts blue-first pixel data; asked once per process.
    static bool HasBGRA();
    // Replaces the image with the frame-buffer rectangle whose lower-left
    // corner is (x, y), tightly packed, in the format asked for.
    bool ReadPixels(int x, int y, int width, int height, PixelFormat format);
    bool GrabViewport();
    // The whole client area of the window whose context is current, in RGB.
    // When that size is unknown it reads the viewport and still returns false.
    bool GrabWindow();
    // The same area read straight into the layout of a 24-bit BMP file (BGR,
    // rows padded with zeros to 4 bytes), so that saving writes the buffer as
    // it stands; an image already in that layout and size is reused.
    bool GrabWindowInFileLayout();
    // At the current raster position.
    bool Draw() const;
    // Defines a level of the bound 2D texture.
    bool MakeTexture(int level) const;
    // Builds the bound 2D texture's mipmap chain: 0 or a GLU error code.
    int MakeMipmaps() const;
    // Resamples the image with GLU: 0 or a GLU error code (GLU_INVALID_VALUE
    // for a bad size or a failed allocation, GLU_INVALID_OPERATION without a
    // context). A failure leaves the old picture in place.
    int Rescale(int width, int height);
    // Rescales to the nearest powers of two within the GL texture size limit.
    bool ScaleToPowerOfTwo();

private:
    ImageExtra* extra;
};

}  // namespace glintwork

#endif  // GLINTWORK_IMAGE_H
