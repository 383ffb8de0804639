// In-process timings of the image path: each reader on a 2048 x 2048
// picture beside stb_image decoding the same file (8-bit output, its fast
// path; ours produces floats), the power-of-two fit of a 3000 x 2000 RGBA
// picture, and the font's road from its file to the array that texture
// creation uploads.
#include <benchmark/benchmark.h>

#include <stb/stb_image.h>

#include <string>

#include "image/image.h"

namespace {

const std::string INPUTS = TAPQUILL_BENCH_INPUTS;
const std::string FONT_FILE = TAPQUILL_DATA_DIR "/font.tga";

void loadOurs(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        Image image;
        image.loadFile(path.c_str());
        if (!image.holdsPicture()) {
            state.SkipWithError(("no picture from " + path).c_str());
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        benchmark::ClobberMemory();
    }
}

void loadStb(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        int width = 0;
        int height = 0;
        int channels = 0;
        unsigned char* pixels = stbi_load(path.c_str(), &width, &height, &channels, 0);
        if (pixels == nullptr) {
            state.SkipWithError(("stb_image cannot read " + path).c_str());
            break;
        }
        benchmark::DoNotOptimize(pixels);
        benchmark::ClobberMemory();
        stbi_image_free(pixels);
    }
}

// A 3000 x 2000 RGBA picture of smooth gradients.
Image gradientPicture() {
    Image image;
    image.create(3000, 2000, FORMAT_RGBA);
    float* p = image.pixels;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x, p += 4) {
            p[0] = float(x) / 3000.0f;
            p[1] = float(y) / 2000.0f;
            p[2] = float((x + y) % 256) / 255.0f;
            p[3] = 1.0f;
        }
    }
    return image;
}

void fitPowerOfTwo(benchmark::State& state) {
    const Image source = gradientPicture();
    for (auto _ : state) {
        state.PauseTiming();
        Image image(source);
        state.ResumeTiming();
        image.fitPowerOfTwo(true, false);
        if (image.width != 2048 || image.height != 1024) {
            state.SkipWithError("the fit did not give 2048 x 1024");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        benchmark::ClobberMemory();
    }
}

// What texture creation does before gluBuild2DMipmaps.
void fontPath(benchmark::State& state) {
    for (auto _ : state) {
        Image image;
        image.loadFile(FONT_FILE.c_str());
        image.fitPowerOfTwo(true, false);
        if (!image.holdsPicture()) {
            state.SkipWithError("no font picture");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        benchmark::ClobberMemory();
    }
}

void registerReader(const char* name, const std::string& ours, const std::string& baseline) {
    benchmark::RegisterBenchmark((std::string(name) + "/ours").c_str(), loadOurs, INPUTS + ours)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark((std::string(name) + "/stb").c_str(), loadStb, INPUTS + baseline)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
}

} // namespace

int main(int argc, char** argv) {
    registerReader("loadTga_32bit", "/rgba32.tga", "/rgba32.tga");
    registerReader("loadBmp_24bit", "/rgb24.bmp", "/rgb24.bmp");
    registerReader("loadPnm_P6", "/raw.ppm", "/raw.ppm");
    // stb_image reads no plain PPM: its baseline is the raw file of the same picture.
    registerReader("loadPnm_P3", "/plain.ppm", "/raw.ppm");
    benchmark::RegisterBenchmark("fitPowerOfTwo_3000x2000_rgba", fitPowerOfTwo)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("font_file_to_upload_array", fontPath)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
