// The key detours end to end: the simulated host's key functions, patched as
// the loader patches them, jump into the real trampolines, which call the
// test dispatcher and resume the host function after its head.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/dispatcher_state.h"
#include "host/key_detours.h"
#include "sim/host/keys/key_input.h"
#include "sim/host/keys/key_patch.h"
#include "tests/detours/detour_harness.h"
#include "tests/detours/test_dispatcher.h"

extern "C" unsigned char HostPress[] __asm__("_ZN9KeyCommon17SendKeyPressInputEii");
extern "C" unsigned char HostRelease[] __asm__("_ZN9KeyCommon19SendKeyReleaseInputEi");

namespace {

int Replace(int key) { return key * 3 + 1; }
int Consume(int) { return 255; }

sim::KeyCall LastCall() {
  std::vector<sim::KeyCall> calls = sim::ProcessedKeys();
  EXPECT_FALSE(calls.empty());
  return calls.empty() ? sim::KeyCall{} : calls.back();
}

// Calls function through the harness with a distinct canary in every
// callee-saved register and checks that they and the stack pointer come back
// unchanged.
void ExpectRegistersKept(void* function, int key, int arg) {
  HarnessCall call{};
  call.function = function;
  call.object = sim::HostKeyObject();
  call.key = key;
  call.arg = arg;
  uintptr_t canaries[kCalleeSaved];
  for (int i = 0; i < kCalleeSaved; ++i) {
    canaries[i] = static_cast<uintptr_t>(0xc0ffee11u * (i + 3)) ^
                  (sizeof(uintptr_t) > 4 ? static_cast<uintptr_t>(~0u) << (i + 1) : 0);
    call.registers[i] = canaries[i];
  }
  DetourHarnessCall(&call);
  for (int i = 0; i < kCalleeSaved; ++i)
    EXPECT_EQ(call.registers[i], canaries[i]) << "callee-saved register " << i;
  EXPECT_EQ(call.sp_delta, 0);
}

class KeyDetourTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetTestDispatcher();
    sim::ClearProcessedKeys();
    std::string error;
    ASSERT_TRUE(sim::PatchKeyFunctions(reinterpret_cast<void*>(injection_press),
                                       reinterpret_cast<void*>(injection_release), &error))
        << error;
  }
  void TearDown() override { sim::UnpatchKeyFunctions(); }
};

TEST_F(KeyDetourTest, PressReachesHostWithDispatcherResultAndArgumentUnchanged) {
  TestDispatcher().rule.store(Replace);
  const int keys[] = {0, 1, 15, 73, 254, 274, -70};
  const int args[] = {0, 1, -1, 7, INT_MIN, INT_MAX, 0x12345678};
  for (int key : keys) {
    for (int arg : args) {
      SCOPED_TRACE(testing::Message() << "key " << key << " arg " << arg);
      int calls_before = TestDispatcher().calls.load();
      sim::HostKeyObject()->SendKeyPressInput(key, arg);
      EXPECT_EQ(TestDispatcher().calls.load(), calls_before + 1);
      EXPECT_EQ(TestDispatcher().last_key.load(), key);
      sim::KeyCall call = LastCall();
      EXPECT_TRUE(call.press);
      EXPECT_EQ(call.key, Replace(key));
      EXPECT_EQ(call.arg, arg);
      EXPECT_EQ(call.loaded, sim::HostKeyObjectWord());
    }
  }
}

TEST_F(KeyDetourTest, PassedAndConsumedKeys) {
  sim::HostKeyObject()->SendKeyPressInput(73, 5);
  EXPECT_EQ(LastCall().key, 73);
  EXPECT_EQ(key_down.load(), 1);

  TestDispatcher().rule.store(Consume);
  sim::HostKeyObject()->SendKeyPressInput(26, -9);
  sim::KeyCall call = LastCall();
  EXPECT_EQ(call.key, 255);
  EXPECT_EQ(call.arg, -9);
  EXPECT_EQ(sim::ProcessedKeys().size(), 2u);
}

TEST_F(KeyDetourTest, ReleaseStopsWatchThenClearsKeyDownAndPassesKey) {
  sim::HostKeyObject()->SendKeyPressInput(15, 0);
  ASSERT_EQ(key_down.load(), 1);
  sim::HostKeyObject()->SendKeyReleaseInput(15);
  EXPECT_EQ(TestDispatcher().stop_calls.load(), 1);
  EXPECT_EQ(TestDispatcher().key_down_at_stop.load(), 1);  // cleared only after the stop
  EXPECT_EQ(key_down.load(), 0);
  EXPECT_EQ(TestDispatcher().calls.load(), 1);  // the dispatcher is not asked on release
  sim::KeyCall call = LastCall();
  EXPECT_FALSE(call.press);
  EXPECT_EQ(call.key, 15);
  EXPECT_EQ(call.loaded, sim::HostKeyObjectWord());
}

TEST_F(KeyDetourTest, CalleeSavedRegistersAndStackPointerSurvive) {
  TestDispatcher().rule.store(Replace);
  ExpectRegistersKept(HostPress, 73, -1);
  EXPECT_EQ(LastCall().key, Replace(73));
  EXPECT_EQ(LastCall().arg, -1);
  ExpectRegistersKept(HostRelease, 73, 0);
  EXPECT_FALSE(LastCall().press);
  EXPECT_EQ(TestDispatcher().stop_calls.load(), 1);

  sim::UnpatchKeyFunctions();  // the harness itself, against the plain host functions
  ExpectRegistersKept(HostPress, 73, -1);
  EXPECT_EQ(LastCall().key, 73);
  ExpectRegistersKept(HostRelease, 73, 0);
}

TEST_F(KeyDetourTest, PressesFromOtherThreads) {
  TestDispatcher().rule.store(Replace);
  std::thread::id other;
  std::thread thread([&] {
    other = std::this_thread::get_id();
    sim::HostKeyObject()->SendKeyPressInput(40, 99);
  });
  thread.join();
  EXPECT_EQ(TestDispatcher().last_thread, other);
  EXPECT_EQ(LastCall().key, Replace(40));
  EXPECT_EQ(LastCall().arg, 99);

  // The host's key-input thread: press, hold, release, in queue order.
  sim::ClearProcessedKeys();
  sim::StartKeyInput();
  sim::QueueKey(2, 0, 0);
  sim::QueueKey(5, -3, 20);
  sim::WaitKeysIdle();
  sim::StopKeyInput();
  std::vector<sim::KeyCall> calls = sim::ProcessedKeys();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_TRUE(calls[0].press && calls[0].key == Replace(2) && calls[0].arg == 0);
  EXPECT_TRUE(!calls[1].press && calls[1].key == 2);
  EXPECT_TRUE(calls[2].press && calls[2].key == Replace(5) && calls[2].arg == -3);
  EXPECT_TRUE(!calls[3].press && calls[3].key == 5);
  EXPECT_EQ(TestDispatcher().stop_calls.load(), 2);
  EXPECT_EQ(key_down.load(), 0);
}

TEST_F(KeyDetourTest, UnpatchedFunctionsRunWithoutThePlugin) {
  unsigned char patched[sim::kPatchBytes];
  std::memcpy(patched, HostPress, sizeof patched);
  sim::UnpatchKeyFunctions();
  EXPECT_NE(std::memcmp(patched, HostPress, sizeof patched), 0);
  TestDispatcher().rule.store(Consume);
  sim::HostKeyObject()->SendKeyPressInput(73, 4);
  sim::HostKeyObject()->SendKeyReleaseInput(73);
  EXPECT_EQ(TestDispatcher().calls.load(), 0);
  EXPECT_EQ(TestDispatcher().stop_calls.load(), 0);
  std::vector<sim::KeyCall> calls = sim::ProcessedKeys();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].key, 73);
  EXPECT_EQ(calls[0].arg, 4);
  EXPECT_EQ(calls[0].loaded, sim::HostKeyObjectWord());
  EXPECT_EQ(calls[1].key, 73);

  // Patching again after an unpatch works as the first time.
  std::string error;
  ASSERT_TRUE(sim::PatchKeyFunctions(reinterpret_cast<void*>(injection_press),
                                     reinterpret_cast<void*>(injection_release), &error));
  sim::HostKeyObject()->SendKeyPressInput(73, 4);
  EXPECT_EQ(LastCall().key, 255);
}

}  // namespace
