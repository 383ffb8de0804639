#include "platform/input_system.h"
#include "platform/key_translation.h"
#include "platform/sdl/key_code_table.h"

#include <SDL_events.h>
#include <SDL_syswm.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

SDL_Event keyEvent(SDL_Scancode scancode, bool down, bool repeat = false) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.scancode = scancode;
    return event;
}

SDL_Event motion(int32_t dx, int32_t dy) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = dx;
    event.motion.yrel = dy;
    return event;
}

SDL_Event wheel(int32_t y, bool flipped = false) {
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = y;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return event;
}

SDL_Event button(uint8_t which, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = which;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    return event;
}

void expectEvent(const InputEvent& event, int32_t code, int pressed, int32_t x, int32_t y) {
    EXPECT_EQ(event.code, code);
    EXPECT_EQ(event.pressed, pressed) << "code " << code;
    EXPECT_EQ(event.x, x) << "code " << code;
    EXPECT_EQ(event.y, y) << "code " << code;
}

// An input system whose devices are held and whose window has the focus;
// SDL's events are fed to it directly.
class InputConversion : public ::testing::Test {
  protected:
    InputSystem input;

    void SetUp() override {
        input.keyboard = true;
        input.mouse = true;
    }

    // One frame: the events that arrived since the last one, then the poll.
    const std::vector<InputEvent>& frame(const std::vector<SDL_Event>& arrived = {}) {
        for (const SDL_Event& event : arrived) {
            input.pending.add(event, 0);
        }
        input.deliverRecords(true);
        return input.events;
    }
};

TEST_F(InputConversion, KeyHeldOverFramesGivesOneDownAndOneUp) {
    ASSERT_EQ(frame({keyEvent(SDL_SCANCODE_A, true)}).size(), 1u);
    expectEvent(input.events[0], DIK_A, 1, 0, 0);
    // Auto-repeat while the key stays down makes no events.
    EXPECT_TRUE(frame({keyEvent(SDL_SCANCODE_A, true, true), keyEvent(SDL_SCANCODE_A, true, true)})
                    .empty());
    EXPECT_TRUE(frame().empty());
    ASSERT_EQ(frame({keyEvent(SDL_SCANCODE_A, false)}).size(), 1u);
    expectEvent(input.events[0], DIK_A, 0, 0, 0);
}

TEST_F(InputConversion, PressAndReleaseWithinOneFrameGiveTwoEventsInOrder) {
    const auto& events =
        frame({keyEvent(SDL_SCANCODE_LSHIFT, true), keyEvent(SDL_SCANCODE_KP_ENTER, true),
               keyEvent(SDL_SCANCODE_KP_ENTER, false), keyEvent(SDL_SCANCODE_LSHIFT, false)});
    ASSERT_EQ(events.size(), 4u);
    expectEvent(events[0], DIK_LSHIFT, 1, 0, 0);
    expectEvent(events[1], DIK_NUMPADENTER, 1, 0, 0);
    expectEvent(events[2], DIK_NUMPADENTER, 0, 0, 0);
    expectEvent(events[3], DIK_LSHIFT, 0, 0, 0);
}

TEST_F(InputConversion, KeysWithoutCodeGiveNoEvents) {
    EXPECT_TRUE(
        frame({keyEvent(SDL_SCANCODE_F20, true), keyEvent(SDL_SCANCODE_UNKNOWN, true)}).empty());
}

TEST_F(InputConversion, DiagonalMotionGivesOneMoveEventPerAxis) {
    const auto& events = frame({motion(3, -2)});
    ASSERT_EQ(events.size(), 2u);
    expectEvent(events[0], MOUSE_MOVE, 0, 3, 0);
    expectEvent(events[1], MOUSE_MOVE, 0, 3, -2);
    EXPECT_EQ(input.mouseDeltaX, 3);
    EXPECT_EQ(input.mouseDeltaY, -2);

    // Movement along one axis gives one event.
    ASSERT_EQ(frame({motion(0, 5)}).size(), 1u);
    expectEvent(input.events[0], MOUSE_MOVE, 0, 3, 3);
    EXPECT_EQ(input.mouseDeltaX, 0);
    EXPECT_EQ(input.mouseDeltaY, 5);
}

TEST_F(InputConversion, WheelMovesInDetentsAndStillWheelGivesNoEvent) {
    EXPECT_TRUE(frame({wheel(0)}).empty());
    EXPECT_EQ(input.mouseWheel, 0);

    ASSERT_EQ(frame({wheel(1)}).size(), 1u);
    expectEvent(input.events[0], MOUSE_WHEEL, 1, 0, 0);
    EXPECT_EQ(input.mouseWheel, 120);
    EXPECT_EQ(input.mouseDeltaWheel, 120);

    // Towards the user is pressed too; the amount is only in the counters.
    ASSERT_EQ(frame({wheel(-2)}).size(), 1u);
    EXPECT_EQ(input.events[0].pressed, 1);
    EXPECT_EQ(input.mouseWheel, -120);
    EXPECT_EQ(input.mouseDeltaWheel, -240);

    // A flipped wheel reports the physical direction.
    frame({wheel(-1, true)});
    EXPECT_EQ(input.mouseDeltaWheel, 120);
}

TEST_F(InputConversion, ButtonsInDirectInputNumbering) {
    const auto& events = frame({button(SDL_BUTTON_LEFT, true), button(SDL_BUTTON_RIGHT, true),
                                button(SDL_BUTTON_MIDDLE, true), button(SDL_BUTTON_X1, true),
                                button(SDL_BUTTON_X2, true), button(SDL_BUTTON_LEFT, false)});
    ASSERT_EQ(events.size(), 5u);
    expectEvent(events[0], MOUSE_BUTTON0, 1, 0, 0);
    expectEvent(events[1], MOUSE_BUTTON1, 1, 0, 0);
    expectEvent(events[2], MOUSE_BUTTON2, 1, 0, 0);
    expectEvent(events[3], MOUSE_BUTTON3, 1, 0, 0);
    expectEvent(events[4], MOUSE_BUTTON0, 0, 0, 0);
}

TEST_F(InputConversion, KeyboardEventsComeFirstWithThePositionBeforeThisPoll) {
    frame({motion(5, 7)});
    const auto& events =
        frame({motion(1, 1), button(SDL_BUTTON_LEFT, true), keyEvent(SDL_SCANCODE_B, true)});
    ASSERT_EQ(events.size(), 4u);
    expectEvent(events[0], DIK_B, 1, 5, 7);
    expectEvent(events[1], MOUSE_MOVE, 0, 6, 7);
    expectEvent(events[2], MOUSE_MOVE, 0, 6, 8);
    expectEvent(events[3], MOUSE_BUTTON0, 1, 6, 8);
}

TEST_F(InputConversion, FrameWithoutInputHasNoEvents) {
    frame({keyEvent(SDL_SCANCODE_C, true), motion(1, 0)});
    EXPECT_TRUE(frame().empty());
    EXPECT_EQ(input.mouseDeltaX, 0);
}

TEST_F(InputConversion, RecordsBeyondSixteenWaitForTheNextPoll) {
    std::vector<SDL_Event> typed;
    const SDL_Scancode letters[] = {SDL_SCANCODE_Q, SDL_SCANCODE_W, SDL_SCANCODE_E, SDL_SCANCODE_R,
                                    SDL_SCANCODE_T, SDL_SCANCODE_Y, SDL_SCANCODE_U, SDL_SCANCODE_I,
                                    SDL_SCANCODE_O, SDL_SCANCODE_P};
    for (int i = 0; i < 20; ++i) {
        typed.push_back(keyEvent(letters[i % 10], true));
    }
    for (int i = 0; i < 18; ++i) {
        typed.push_back(button(SDL_BUTTON_LEFT, i % 2 == 0));
    }
    const auto& first = frame(typed);
    ASSERT_EQ(first.size(), 32u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(first[static_cast<size_t>(i)].code, keyCodeFromScancode(letters[i % 10]));
        EXPECT_EQ(first[static_cast<size_t>(16 + i)].pressed, i % 2 == 0 ? 1 : 0);
    }
    const auto& second = frame();
    ASSERT_EQ(second.size(), 6u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(second[static_cast<size_t>(i)].code, keyCodeFromScancode(letters[(16 + i) % 10]));
    }
    expectEvent(second[4], MOUSE_BUTTON0, 1, 0, 0);
    expectEvent(second[5], MOUSE_BUTTON0, 0, 0, 0);
    EXPECT_TRUE(frame().empty());
}

TEST_F(InputConversion, NoRecordsWhileTheWindowLacksFocus) {
    input.pending.add(keyEvent(SDL_SCANCODE_A, true), 0);
    input.deliverRecords(false);
    EXPECT_TRUE(input.events.empty());
    // Keystrokes made while the window had the focus are kept for later.
    ASSERT_EQ(frame().size(), 1u);
    EXPECT_EQ(input.events[0].code, DIK_A);
}

TEST_F(InputConversion, DevicesNotHeldGiveNoEvents) {
    input.keyboard = false;
    const auto& events = frame({keyEvent(SDL_SCANCODE_A, true), button(SDL_BUTTON_LEFT, true)});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, MOUSE_BUTTON0);
}

SDL_Event textEvent(const char* utf8) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::snprintf(event.text.text, sizeof event.text.text, "%s", utf8);
    return event;
}

TEST_F(InputConversion, SystemTextArrivesInOrderWithEnterAndTabAndKeysStillCount) {
    const std::vector<SDL_Event> arrived = {keyEvent(SDL_SCANCODE_A, true),
                                            textEvent("a"),
                                            keyEvent(SDL_SCANCODE_A, false),
                                            textEvent("\xC3\xA9\xE2\x82\xAC"),
                                            keyEvent(SDL_SCANCODE_RETURN, true),
                                            keyEvent(SDL_SCANCODE_RETURN, true, true),
                                            keyEvent(SDL_SCANCODE_TAB, true),
                                            keyEvent(SDL_SCANCODE_BACKSPACE, true),
                                            textEvent("q")};
    // The US key labels: text input is not looked at.
    for (const SDL_Event& event : arrived) {
        input.take(event, 0);
    }
    input.deliverRecords(true);
    EXPECT_EQ(input.text, "");
    EXPECT_EQ(input.events.size(), 5u);

    // The system's text: each character once, held Enter repeating as text
    // does; the key records are made all the same.
    input.systemText = true;
    for (const SDL_Event& event : arrived) {
        input.take(event, 0);
    }
    input.deliverRecords(true);
    EXPECT_EQ(input.text, "a\xE9" + std::string(1, UNMATCHED_CHARACTER) + "\n\n\tq");
    EXPECT_EQ(input.events.size(), 5u);
    input.deliverRecords(true);
    EXPECT_EQ(input.text, "");
}

#if defined(SDL_VIDEO_DRIVER_X11)
TEST(EventTimes, KeyAndTextEventsTakeTheServerTimeOfTheXKeyEventBeforeThem) {
    EventTimes times;
    const auto timeOf = [&times](SDL_Event event, uint32_t stamp) {
        event.common.timestamp = stamp;
        return times.timeOf(event);
    };
    // SDL's window-system event for an X event.
    const auto xEvent = [&times](int type, uint32_t serverTime, uint32_t stamp) {
        SDL_SysWMmsg message{};
        message.subsystem = SDL_SYSWM_X11;
        message.msg.x11.event.type = type;
        message.msg.x11.event.xkey.time = serverTime;
        SDL_Event event{};
        event.type = SDL_SYSWMEVENT;
        event.syswm.timestamp = stamp;
        event.syswm.msg = &message;
        times.noteSystemEvent(event);
    };
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_A, true), 40), 40u); // no X key event yet
    // SDL read these long after the server had them.
    xEvent(KeyPress, 900000, 5000);
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_A, true), 5000), 900000u);
    EXPECT_EQ(timeOf(textEvent("a"), 5000), 900000u);
    xEvent(KeyRelease, 900080, 5000);
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_A, false), 5000), 900080u);
    // Events not made of an X key event of their own (a second key down, text
    // an input method sent later, events after other X events, the mouse)
    // count on from the latest X key event by SDL's stamps.
    xEvent(KeyPress, 900150, 5001);
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_B, true), 5001), 900150u);
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_C, true), 5011), 900160u);
    EXPECT_EQ(timeOf(textEvent("b"), 5021), 900170u);
    xEvent(KeyPress, 900200, 5050);
    xEvent(FocusIn, 0, 5050);
    EXPECT_EQ(timeOf(keyEvent(SDL_SCANCODE_D, true), 5060), 900210u);
    EXPECT_EQ(timeOf(motion(1, 1), 5070), 900220u);
}
#endif

TEST(InputRecordQueue, WaitingRecordsAreBounded) {
    InputRecordQueue queue;
    for (size_t i = 0; i < PENDING_RECORD_LIMIT + 10; ++i) {
        queue.add(keyEvent(i % 2 == 0 ? SDL_SCANCODE_A : SDL_SCANCODE_B, i % 4 < 2), 0);
    }
    ASSERT_EQ(queue.keyboard.size(), PENDING_RECORD_LIMIT);
    // The oldest ten went: the queue starts with record 10 (A, down).
    EXPECT_EQ(queue.keyboard.front().offset, static_cast<uint32_t>(DIK_A));
    EXPECT_EQ(queue.keyboard.front().data, 0);

    // The mouse drops movement before buttons.
    queue.add(button(SDL_BUTTON_RIGHT, true), 0);
    while (queue.mouse.size() < PENDING_RECORD_LIMIT) {
        queue.add(motion(1, 0), 0);
    }
    queue.add(button(SDL_BUTTON_LEFT, true), 0);
    ASSERT_EQ(queue.mouse.size(), PENDING_RECORD_LIMIT);
    EXPECT_EQ(queue.mouse.front().offset, MOUSE_OFFSET_BUTTON0 + 1);
    EXPECT_EQ(queue.mouse.back().offset, MOUSE_OFFSET_BUTTON0);
}

TEST(InputSystemWithoutDevices, FailedInitLeavesFramesUntouched) {
    InputSystem input;
    input.mouseX = 9;
    input.mouseWheel = 4;
    EXPECT_FALSE(input.init(nullptr, nullptr, false));
    EXPECT_FALSE(input.keyboard);
    EXPECT_FALSE(input.mouse);
    EXPECT_EQ(input.focusWindow, nullptr);
    input.state[DIK_ESCAPE] = 0x80; // left over from before: kept, and counted
    input.events.push_back(InputEvent{});
    input.pending.add(keyEvent(SDL_SCANCODE_A, true), 0);
    input.readState();
    input.poll();
    EXPECT_EQ(input.heldCount, 1);
    EXPECT_EQ(input.state[DIK_ESCAPE], 0x80);
    EXPECT_TRUE(input.events.empty());
    EXPECT_EQ(input.mouseWheel, 4);
    input.shutdown();
}

TEST(InputSystemWithoutDevices, MousePositionIsResetEvenWhenTheMouseFails) {
    InputSystem input;
    input.mouseX = 3;
    input.mouseY = -3;
    input.mouseWheel = 240;
    EXPECT_FALSE(input.createMouse(nullptr, false));
    EXPECT_EQ(input.mouseX, 0);
    EXPECT_EQ(input.mouseY, 0);
    EXPECT_EQ(input.mouseWheel, 240);
    EXPECT_FALSE(input.createKeyboard(nullptr, false));
}

} // namespace
