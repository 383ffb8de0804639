#include "game/results.h"

#include "platform/opengl.h"
#include "text/bitmap_font.h"

namespace {

constexpr float RESULT_ROW_Y = 22.0f;

} // namespace

void resultsStep(GameState& game, BitmapFont& font) {
    glTranslatef(0.0f, RESULT_ROW_Y, 0.0f);
    // The speed keeps whatever colour the typing lines left current.
    font.drawString(formatFloat(typingSpeed(game)) + SPEED_SUFFIX);
    const int32_t mismatches = mismatchCount(game);
    glColor3f(1.0f, 1.0f, 0.7f);
    if (mismatches > 0)
        font.drawString(ERROR_PREFIX + formatFloat(errorPercentage(game, mismatches)) +
                        ERROR_SUFFIX);
}
