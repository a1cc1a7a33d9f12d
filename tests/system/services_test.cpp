#include "system/services.h"

#include <gmock/gmock.h>

#include "case_name.h"
#include "sim_fixture.h"

using plat::kServiceRunning;
using plat::kServiceStartPending;
using plat::kServiceStopped;
using plat::kServiceStopPending;
using ::testing::ElementsAre;

namespace {

using ServiceRoutinesTest = SimTest;

TEST_F(ServiceRoutinesTest, MissingServiceFailsAtOnceWithoutSleeping) {
    EXPECT_EQ(setup::StartServiceWait("NoSuchSvc", 10), setup::ServiceFailed);
    EXPECT_EQ(setup::StopServiceWait("NoSuchSvc", 10), setup::ServiceFailed);
    EXPECT_EQ(setup::RemoveService("NoSuchSvc"), 1);
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
    EXPECT_THAT(trace,
                ElementsAre("Start Service NoSuchSvc", "Stop Service NoSuchSvc", "Delete Service NoSuchSvc"));
    EXPECT_EQ(setup::StepCode, 4);
}

struct NothingToDoCase {
    const char* name;
    plat::DWord state;
    bool start;
};

class ServiceNothingToDoTest : public SimTest, public ::testing::WithParamInterface<NothingToDoCase> {};

TEST_P(ServiceNothingToDoTest, ReportsTwoWithoutRequestOrSleep) {
    auto& service = pc.services.Add("Svc", GetParam().state);
    std::int32_t result =
        GetParam().start ? setup::StartServiceWait("Svc", 10) : setup::StopServiceWait("Svc", 10);
    EXPECT_EQ(result, setup::ServiceNothingToDo);
    EXPECT_EQ(service.startRequests + service.stopRequests, 0);
    EXPECT_EQ(pc.clock.sleepCalls, 0u);
    EXPECT_EQ(setup::StepCode, GetParam().start ? 2 : 3);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(States, ServiceNothingToDoTest,
                         ::testing::Values(NothingToDoCase{"StartRunning", kServiceRunning, true},
                                           NothingToDoCase{"StartPending", kServiceStartPending, true},
                                           NothingToDoCase{"StopStopped", kServiceStopped, false},
                                           NothingToDoCase{"StopPending", kServiceStopPending, false}),
                         test_support::CaseName());

struct WaitCase {
    const char* name;
    bool start;
    std::vector<plat::DWord> reported;  // what the status queries report after the request
    std::int32_t result;
    int queries;       // status queries after the request
    std::uint64_t ms;  // simulated time spent
};

class ServiceWaitTest : public SimTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(ServiceWaitTest, PollsOncePerSecondUpToTheLimit) {
    const WaitCase& c = GetParam();
    auto& service = pc.services.Add("Svc", c.start ? kServiceStopped : kServiceRunning);
    (c.start ? service.afterStart : service.afterStop) = c.reported;
    std::int32_t result = c.start ? setup::StartServiceWait("Svc", 10) : setup::StopServiceWait("Svc", 10);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(service.statusQueries - 1, c.queries);  // the first query decides whether to ask at all
    EXPECT_EQ(pc.clock.now, c.ms);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ServiceWaitTest,
    ::testing::Values(WaitCase{"StartsAtOnce", true, {}, setup::ServiceReached, 1, 1000},
                      WaitCase{
                          "StartsAfterThreePendingPolls", true, {2, 2, 2, 4}, setup::ServiceReached, 4, 4000},
                      // Eleven pending polls with a limit of 10: about twelve seconds.
                      WaitCase{"StaysStartPending", true, {2}, setup::ServiceTimedOut, 11, 12000},
                      WaitCase{"StopsAfterOnePendingPoll", false, {3, 1}, setup::ServiceReached, 2, 2000},
                      WaitCase{"StaysStopPending", false, {3}, setup::ServiceTimedOut, 11, 12000},
                      // A service that falls back to stopped right after starting must not
                      // make the loop spin: such polls count like pending ones.
                      WaitCase{"StopsAgainAfterStart", true, {1}, setup::ServiceTimedOut, 11, 12000},
                      WaitCase{"FlapsThenRuns", true, {1, 2, 1, 4}, setup::ServiceReached, 4, 4000}),
    test_support::CaseName());

TEST_F(ServiceRoutinesTest, RefusedRequestFailsWithoutWaiting) {
    pc.services.Add("Refuses").refuseStart = true;
    EXPECT_EQ(setup::StartServiceWait("Refuses", 10), setup::ServiceFailed);
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

TEST_F(ServiceRoutinesTest, FailedQueryEndsWithFailure) {
    auto& service = pc.services.Add("Svc");
    service.afterStart = {2, 2, 4};
    // The state check passes; the second poll after the request fails.
    pc.FailCall("QueryServiceStatus", plat::kErrorAccessDenied, 1, 2);
    EXPECT_EQ(setup::StartServiceWait("Svc", 10), setup::ServiceFailed);
    EXPECT_EQ(service.statusQueries, 2);
    EXPECT_EQ(pc.clock.now, 2000u);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);

    pc.FailCall("QueryServiceStatus", plat::kErrorAccessDenied);
    EXPECT_EQ(setup::StopServiceWait("Svc", 10), setup::ServiceFailed);
    EXPECT_EQ(service.stopRequests, 0);
}

TEST_F(ServiceRoutinesTest, NonAdministratorCannotOpenTheManager) {
    pc.facts.privilege = 1;
    pc.services.Add("PcaSvc", kServiceRunning);
    EXPECT_EQ(setup::StopServiceWait("PcaSvc", 10), setup::ServiceFailed);
    EXPECT_EQ(pc.services.Find("PcaSvc")->state, kServiceRunning);
}

TEST_F(ServiceRoutinesTest, RemoveServiceMarksForDeletion) {
    pc.services.Add("HIDFltrM", kServiceStopped);
    EXPECT_EQ(setup::RemoveService("HIDFltrM"), 0);
    EXPECT_FALSE(pc.services.Exists("HIDFltrM"));  // stopped and no handle left open
    EXPECT_EQ(setup::RemoveService("HIDFltrM"), 1);

    pc.services.Add("Locked").refuseDelete = true;
    EXPECT_EQ(setup::RemoveService("Locked"), 1);
    EXPECT_TRUE(pc.services.Exists("Locked"));
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

}  // namespace

namespace {

struct AcceptedCase {
    const char* name;
    plat::DWord state;
    std::vector<plat::DWord> afterStop;
    bool refuseStop;
    int failedPoll;  // the status query that fails, counted from 1; 0 none
    std::int32_t result;
    bool accepted;
};

class StopAcceptedTest : public SimTest, public ::testing::WithParamInterface<AcceptedCase> {};

// The caller learns that the stop was accepted also when the wait then failed or timed out.
TEST_P(StopAcceptedTest, TellsWhetherTheStopControlWasAccepted) {
    const AcceptedCase& c = GetParam();
    auto& service = pc.services.Add("Svc", c.state);
    service.afterStop = c.afterStop;
    service.refuseStop = c.refuseStop;
    if (c.failedPoll) pc.FailCall("QueryServiceStatus", plat::kErrorAccessDenied, 1, c.failedPoll - 1);
    bool accepted = !c.accepted;
    EXPECT_EQ(setup::StopServiceWait("Svc", 10, &accepted), c.result);
    EXPECT_EQ(accepted, c.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StopAcceptedTest,
    ::testing::Values(
        AcceptedCase{"Reached", kServiceRunning, {3, 1}, false, 0, setup::ServiceReached, true},
        AcceptedCase{"TimedOut", kServiceRunning, {3}, false, 0, setup::ServiceTimedOut, true},
        AcceptedCase{"PollFailed", kServiceRunning, {3, 1}, false, 2, setup::ServiceFailed, true},
        AcceptedCase{"Refused", kServiceRunning, {}, true, 0, setup::ServiceFailed, false},
        AcceptedCase{"FirstQueryFailed", kServiceRunning, {}, false, 1, setup::ServiceFailed, false},
        AcceptedCase{"AlreadyStopped", kServiceStopped, {}, false, 0, setup::ServiceNothingToDo, false}),
    test_support::CaseName());

struct StoppingCase {
    const char* name;
    plat::DWord state;
    std::vector<plat::DWord> nextQueries;
    bool stopped;
    std::uint64_t ms;
};

class WaitWhileStopsTest : public SimTest, public ::testing::WithParamInterface<StoppingCase> {};

TEST_P(WaitWhileStopsTest, PollsOncePerSecondWhileStopPendingUpToTheLimit) {
    const StoppingCase& c = GetParam();
    auto& service = pc.services.Add("Svc", c.state);
    service.pending.assign(c.nextQueries.begin(), c.nextQueries.end());
    EXPECT_EQ(setup::WaitWhileServiceStops("Svc", 10), c.stopped);
    EXPECT_EQ(pc.clock.now, c.ms);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    States, WaitWhileStopsTest,
    ::testing::Values(StoppingCase{"StopsAfterTwoPendingPolls", kServiceStopPending, {3, 3, 1}, true, 2000},
                      StoppingCase{"StaysStopPending", kServiceStopPending, {3}, false, 10000},
                      StoppingCase{"AlreadyStopped", kServiceStopped, {}, true, 0},
                      StoppingCase{"Running", kServiceRunning, {}, false, 0}),
    test_support::CaseName());

TEST_F(ServiceRoutinesTest, WaitForAMissingServiceFailsAtOnce) {
    EXPECT_FALSE(setup::WaitWhileServiceStops("NoSuchSvc", 10));
    EXPECT_EQ(pc.clock.now, 0u);
    EXPECT_EQ(pc.services.OpenHandles(), 0u);
}

}  // namespace
