// A touch screen with a controller model behind its feature reports, opened
// through libLumo: the setting of the command tests.
#ifndef TESTS_SDK_CONTROLLERFIXTURE_H
#define TESTS_SDK_CONTROLLERFIXTURE_H

#include "support/ControllerModel.h"
#include "support/EmulatedTouchScreen.h"

#include <Lumo/LumoTouchScreen.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

class ControllerFixture : public ::testing::Test {
protected:
  void SetUp() override {
    m_screen = m_bed.AddTouchScreen();
    m_controller.AttachTo(m_bed, m_screen);
    ASSERT_EQ(0, LumoOpenTouchScreenA(m_screen.sysPath.c_str(), &m_handle));
  }
  void TearDown() override {
    if (m_handle) {
      EXPECT_EQ(0, LumoCloseTouchScreen(m_handle));
    }
    m_bed.SetFeatureHandler(m_screen, nullptr);
  }

  unsigned SetCalls() const { return m_bed.SetFeatureCalls(m_screen); }
  unsigned GetCalls() const { return m_bed.GetFeatureCalls(m_screen); }
  unsigned FeatureCalls() const { return SetCalls() + GetCalls(); }

  // The requests that reached the controller, as (type, target, command,
  // data...) for compact comparisons.
  std::vector<Bytes> Sent() const {
    std::vector<Bytes> sent;
    for (const ControllerModel::Request &request : m_controller.Commands()) {
      Bytes bytes = {request.type, request.target, request.command};
      bytes.insert(bytes.end(), request.data.begin(), request.data.end());
      sent.push_back(bytes);
    }
    return sent;
  }
  void ForgetSent() { m_controller.ClearRequests(); }

  // Delivers a data answer with these bytes instead of the model's own.
  void AnswerWith(const Bytes &data) {
    m_controller.InsertReports({ControllerModel::DataFrame(data)});
  }
  void AcknowledgeInstead() {
    m_controller.InsertReports(
        {ControllerModel::StatusFrame(ControllerModel::kAck)});
  }

  EmulatedTouchScreen m_bed;
  EmulatedDevice m_screen;
  ControllerModel m_controller;
  void *m_handle = nullptr;
};

#endif // TESTS_SDK_CONTROLLERFIXTURE_H
