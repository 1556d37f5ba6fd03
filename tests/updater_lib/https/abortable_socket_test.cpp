// The abort of a connection from another thread: it must end the owner's blocked read
// without releasing the socket, whose number the owner may still be using.
#include <Poco/Exception.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/Net/StreamSocket.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "updater_lib/details/https/abortable_socket_impl.h"
#include "updater_lib/details/https/network_startup.h"

namespace {

using namespace std::chrono_literals;
using updater::details::abortable_socket_impl;

TEST(abortable_socket_test, an_abort_ends_a_blocked_read_and_leaves_the_socket_to_its_owner) {
  updater::details::start_network_once();
  Poco::Net::ServerSocket server(Poco::Net::SocketAddress("127.0.0.1", 0));
  auto* const socket = new abortable_socket_impl(Poco::Net::SocketAddress::IPv4);
  Poco::Net::StreamSocket connection(socket);
  connection.connect(server.address());
  const Poco::Net::StreamSocket accepted = server.acceptConnection();  // sends nothing
  connection.setReceiveTimeout(Poco::Timespan(30, 0));
  const poco_socket_t number = socket->sockfd();

  std::future<void> read = std::async(std::launch::async, [&connection] {
    char byte = 0;
    try {
      connection.receiveBytes(&byte, 1);
    } catch (const Poco::Exception&) {
      // Windows: the cancelled wait fails; Linux: the shut-down socket reads its end.
    }
  });
  ASSERT_EQ(read.wait_for(300ms), std::future_status::timeout) << "the read must be blocked";
  const auto aborted = std::chrono::steady_clock::now();
  socket->abort();
  ASSERT_EQ(read.wait_for(5s), std::future_status::ready) << "the abort did not end the read";
  EXPECT_LT(std::chrono::steady_clock::now() - aborted, 1s);
  read.get();

  // Still the owner's socket: a second abort is harmless, only the owner's close ends it.
  socket->abort();
  EXPECT_TRUE(socket->initialized());
  EXPECT_EQ(socket->sockfd(), number);
  connection.close();
  EXPECT_FALSE(socket->initialized());
  socket->abort();
}

}  // namespace
