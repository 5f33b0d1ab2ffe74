#include "SdkTouchState.h"

SdkTouchState g_SdkTouchState;

void SdkTouchState::Clear() {
  for (int c = 0; c < kContacts; ++c) {
    down[c] = 0;
    x[c] = 0;
    y[c] = 0;
    size[c] = 0;
  }
  received = 0;
}
