#include <windows.h>

#include <gtest/gtest.h>

#include "platform/owner.h"
#include "platform/execute_context.h"

namespace {

using PeerContext = ExecuteContext* (*)();

PeerContext peerEntry(const Library& peer) {
  return reinterpret_cast<PeerContext>(reinterpret_cast<void*>(GetProcAddress(peer.get(), "peerExecuteContext")));
}

// Runs in a process where no module has made a context yet.
TEST(ExecuteContext, MadeFreshWhenNoModuleHasOne) {
  ExecuteContext* context = executeContext();
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->slotCount, 256u);
  EXPECT_EQ(context->references, 1u);
  EXPECT_EQ(context->blocks, nullptr);
  EXPECT_EQ(context->blockCount, 0u);
  for (std::uint32_t i = 0; i < context->slotCount; ++i) ASSERT_EQ(context->slots[i], nullptr);
  EXPECT_EQ(executeContext(), context) << "made once";

  EXPECT_EQ(contextSlot(0), nullptr);
  auto* block = static_cast<unsigned char*>(makeContextSlot(0, 13));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(contextSlot(0), block);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(block[i], 0);
}

TEST(ExecuteContext, SharedWithModulesLoadedLaterAndReleasedAtTheirUnload) {
  Library first(LoadLibraryW(L"context_peer_a.dll"));
  ASSERT_TRUE(first);
  ExecuteContext* made = peerEntry(first)();
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->references, 1u);

  {
    Library second(LoadLibraryW(L"context_peer_b.dll"));
    ASSERT_TRUE(second);
    EXPECT_EQ(peerEntry(second)(), made) << "the second module finds the first one's record";
    EXPECT_EQ(made->references, 2u);
  }
  EXPECT_EQ(made->references, 1u) << "unloading the second module gives its reference back";

  EXPECT_EQ(executeContext(), made) << "this program's own code finds it too";
  EXPECT_EQ(made->references, 2u);
}

}  // namespace
