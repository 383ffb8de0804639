// The start-up baseline: asks on standard output and waits for one line on
// standard input (as the game waits for its console answer), then opens the window the game opens
// (a 644 x 504 client area, double-buffered, 8 bits per colour and alpha, a 32-bit depth buffer or
// else 24, compatibility profile), clears it, swaps once, and stays until the window is closed.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <initializer_list>

int main(int, char**) {
    std::fputs("? ", stdout);
    std::fflush(stdout);
    char answer[64];
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "minimal_window: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    for (int depth : {32, 24}) {
        SDL_GL_ResetAttributes();
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        window = SDL_CreateWindow("minimal", 0, 0, 644, 504, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        if (window == nullptr) {
            continue;
        }
        context = SDL_GL_CreateContext(window);
        if (context != nullptr) {
            break;
        }
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (context == nullptr) {
        std::fprintf(stderr, "minimal_window: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_ShowWindow(window);
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
    for (bool running = true; running;) {
        SDL_Event event;
        if (SDL_WaitEvent(&event) == 0 || event.type == SDL_QUIT ||
            (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
            running = false;
        }
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
