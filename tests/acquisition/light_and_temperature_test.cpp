// Light and temperature control: the control word and its captions, the schedule, the
// regulation, the pulse cycles, the buttons during a run, and the boxes' validation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "acquisition/light_and_temperature.h"
#include "care_rig.h"
#include "common/number_format.h"

namespace qv {
namespace {

using testing::CareRig;

struct LightRig : CareRig {
    LightTemperatureControls c = LightTemperatureControls::of(controls);
    LightAndTemperature light{*care, c};
};

TEST(ControlWord, EveryCombinationWithItsCaptionsAndColours) {
    LightRig r;
    sim::Firmware& fw = r.instrument();
    struct Row {
        bool light, heating, on;
        int word;
        const char *luz, *frio, *ontemp;
        Color lamp, unit;
    };
    const Row rows[] = {
        {false, false, false, 0, "OFF", "COOL", "OFF", colors::red, colors::white},
        {false, false, true, 1, "OFF", "COOL", "ON", colors::red, colors::blue},
        {false, true, false, 2, "OFF", "HEAT", "OFF", colors::red, colors::white},
        {false, true, true, 3, "OFF", "HEAT", "ON", colors::red, colors::red},
        {true, false, false, 4, "ON", "COOL", "OFF", colors::green, colors::white},
        {true, false, true, 5, "ON", "COOL", "ON", colors::green, colors::blue},
        {true, true, false, 6, "ON", "HEAT", "OFF", colors::green, colors::white},
        {true, true, true, 7, "ON", "HEAT", "ON", colors::green, colors::red},
    };
    for (const Row& row : rows) {
        r.state.lightOn = row.light;
        r.state.heating = row.heating;
        r.state.tempControlOn = row.on;
        r.light.sendControlWord();
        EXPECT_EQ(fw.controlWord(), row.word);
        EXPECT_EQ(r.c.cmd_luz.text, row.luz);
        EXPECT_EQ(r.c.cmd_frio.text, row.frio);
        EXPECT_EQ(r.c.cmd_ontemp.text, row.ontemp);
        EXPECT_EQ(r.c.shape_light.backColor, row.lamp.packed()) << row.word;
        EXPECT_EQ(r.c.cmd_ontemp.backColor, row.unit.packed()) << row.word;
    }
    EXPECT_EQ(r.framesFrom(0).back(), (device::Bytes{0xFF, 0, 16, 7, 0xF0}));
}

TEST(LightSchedule, DaytimeAndOverMidnight) {
    EXPECT_FALSE(scheduledLightOn(9, 21, 21));
    EXPECT_TRUE(scheduledLightOn(9, 21, 9));
    EXPECT_TRUE(scheduledLightOn(9, 21, 20));
    EXPECT_FALSE(scheduledLightOn(9, 21, 8));
    EXPECT_TRUE(scheduledLightOn(21, 9, 23));
    EXPECT_TRUE(scheduledLightOn(21, 9, 3));
    EXPECT_FALSE(scheduledLightOn(21, 9, 12));
    EXPECT_FALSE(scheduledLightOn(21, 9, 9));
    EXPECT_FALSE(scheduledLightOn(7, 7, 7));
}

TEST(LightSchedule, RunStartSetsTheLightByTheHourUnlessPulsesArePlanned) {
    LightRig r;
    sim::Firmware& fw = r.instrument();
    r.c.txt_lon.text = "09";
    r.c.txt_loff.text = "21";
    r.c.txt_pulsetimes.text = "0";
    r.clock.set(DateTime{2024, 6, 14, 20, 59, 0, 0});
    r.light.startLightSchedule();
    EXPECT_TRUE(r.state.lightOn);
    EXPECT_EQ(fw.controlWord(), 4);
    r.clock.set(DateTime{2024, 6, 14, 21, 0, 0, 0});
    r.light.startLightSchedule();
    EXPECT_FALSE(r.state.lightOn);
    EXPECT_EQ(fw.controlWord(), 0);
    // Over midnight.
    r.c.txt_lon.text = "21";
    r.c.txt_loff.text = "9";
    r.clock.set(DateTime{2024, 6, 14, 23, 0, 0, 0});
    r.light.startLightSchedule();
    EXPECT_TRUE(r.state.lightOn);
    // Pulses planned, or light not enabled: nothing is sent.
    const std::size_t sent = r.writtenBytes();
    r.c.txt_pulsetimes.text = "2";
    r.light.startLightSchedule();
    r.c.txt_pulsetimes.text = "0";
    r.state.lightEnabled = false;
    r.light.startLightSchedule();
    EXPECT_EQ(r.writtenBytes(), sent);
}

TEST(Regulation, DeadBandAndSwitchingPointsRoundTwentyFive) {
    auto at = [](double t, ThermalFlags now = {}) { return regulation(t, 25.0, true, now); };
    EXPECT_FALSE(at(25.4, {true, true}).controlOn);
    const ThermalFlags warm = at(25.55, {true, true});
    EXPECT_FALSE(warm.heating);
    EXPECT_FALSE(warm.controlOn);
    const ThermalFlags hot = at(25.7);
    EXPECT_FALSE(hot.heating);
    EXPECT_TRUE(hot.controlOn);
    const ThermalFlags cold = at(24.3);
    EXPECT_TRUE(cold.heating);
    EXPECT_TRUE(cold.controlOn);
    // Between S - 0.6 and S - 0.5 heating is chosen and the unit keeps its state.
    EXPECT_TRUE(at(24.45, {false, true}).controlOn);
    EXPECT_FALSE(at(24.45, {false, false}).controlOn);
    EXPECT_TRUE(at(24.45, {false, false}).heating);
    // Outside 10..38 degrees, or not enabled, everything goes off whatever the set point.
    for (double t : {38.0, 40.0, 10.0, 5.0}) {
        const ThermalFlags f = at(t, {true, true});
        EXPECT_FALSE(f.controlOn) << t;
        EXPECT_FALSE(f.heating) << t;
    }
    EXPECT_FALSE(regulation(20.0, 25.0, false, {true, true}).controlOn);
}

TEST(Regulation, EachReadingStoresTheTemperatureAndSendsTheWord) {
    LightRig r;
    sim::Firmware& fw = r.instrument();
    r.state.tempControlEnabled = true;
    r.c.txttemp.text = "25.0";
    r.c.txt_lon.text = "09";
    r.c.txt_loff.text = "21";
    r.clock.set(DateTime{2024, 6, 14, 9, 30, 0, 0});
    r.light.regulateTemperature(24.3);
    EXPECT_EQ(r.light.temperatureText(), "24.3");
    EXPECT_DOUBLE_EQ(r.light.setPoint(), 25.0);
    // Heating on, and the light on since this is its hour.
    EXPECT_EQ(fw.controlWord(), 7);
    r.clock.set(DateTime{2024, 6, 14, 10, 0, 0, 0});
    r.light.regulateTemperature(25.7);
    EXPECT_EQ(fw.controlWord(), 5);  // cooling on; the light stays until its off hour
    r.clock.set(DateTime{2024, 6, 14, 21, 0, 0, 0});
    r.light.regulateTemperature(25.0);
    EXPECT_EQ(fw.controlWord(), 0);
}

// The regulation as it runs: the chamber of the virtual instrument read every 15 s, as at
// every block end, for two hours, starting from a room at 22 degrees.
struct Loop {
    double reachedAfterMinutes = -1;
    double lowest = 99;
    double highest = -99;
    double fastestPerMinute = 0;
};

Loop regulateForTwoHours(double setPoint) {
    LightRig r;
    sim::Firmware& fw = r.instrument();
    r.state.tempControlEnabled = true;
    r.state.lightEnabled = false;
    r.c.txttemp.text = formatNumber(setPoint, "0.0");
    r.light.takeSetPoint();
    const double slope = r.state.link.temperatureSlope;
    const double offset = 0.5;  // the instrument's factory calibration
    Loop loop;
    double minuteAgo = fw.chamberC();
    for (int reading = 1; reading <= 2 * 60 * 4; ++reading) {
        r.clock.advanceMs(15 * 1000);
        const int raw = r.com.QueryRegister(33, 0, 0);
        EXPECT_GE(raw, 0);
        r.light.regulateTemperature(raw * slope + offset);
        const double chamber = fw.chamberC();
        if (reading % 4 == 0) {
            loop.fastestPerMinute = std::max(loop.fastestPerMinute, std::abs(chamber - minuteAgo));
            minuteAgo = chamber;
        }
        if (loop.reachedAfterMinutes < 0 && std::abs(chamber - setPoint) <= 0.5) {
            loop.reachedAfterMinutes = reading / 4.0;
        } else if (loop.reachedAfterMinutes >= 0) {
            loop.lowest = std::min(loop.lowest, chamber);
            loop.highest = std::max(loop.highest, chamber);
        }
    }
    return loop;
}

TEST(Regulation, ReachesTheSetPointAndHoldsItWithinADegree) {
    const Loop warm = regulateForTwoHours(25.0);
    EXPECT_GE(warm.reachedAfterMinutes, 2.0);  // three degrees cannot come at once
    EXPECT_LE(warm.reachedAfterMinutes, 15.0);
    EXPECT_GE(warm.lowest, 24.0);
    EXPECT_LE(warm.highest, 26.0);
    EXPECT_LE(warm.fastestPerMinute, 1.0);
    // Cooling below the room works the same way.
    const Loop cool = regulateForTwoHours(18.0);
    EXPECT_GE(cool.reachedAfterMinutes, 2.0);
    EXPECT_LE(cool.reachedAfterMinutes, 20.0);
    EXPECT_GE(cool.lowest, 17.0);
    EXPECT_LE(cool.highest, 19.0);
    EXPECT_LE(cool.fastestPerMinute, 1.0);
}

TEST(PulseCycles, TwoCyclesOfOneMinuteOnAndNineOff) {
    auto light = [](double t) { return pulseLight(t, 2, 1.0, 9.0); };
    EXPECT_EQ(light(0.0), true);
    EXPECT_EQ(light(0.99), true);
    EXPECT_EQ(light(1.0), false);
    EXPECT_EQ(light(9.99), false);
    EXPECT_EQ(light(10.0), true);
    EXPECT_EQ(light(10.99), true);
    EXPECT_EQ(light(11.0), false);
    EXPECT_EQ(light(19.99), false);
    EXPECT_EQ(light(20.0), std::nullopt);
    EXPECT_EQ(pulseLight(0.0, 1, 0.0, 0.0), std::nullopt);  // no time in a cycle at all

    LightRig r;
    sim::Firmware& fw = r.instrument();
    r.store().setup().Mn2 = {1, 9, 21, 2, 10, 90};
    std::vector<int> words;
    for (double t : {0.5, 5.0, 10.5, 15.0, 20.0, 30.0}) {
        r.light.advanceLightCycle(t);
        words.push_back(fw.controlWord());
    }
    // Left off after minute 20: the light keeps the last phase's state.
    EXPECT_EQ(words, (std::vector<int>{4, 0, 4, 0, 0, 0}));
}

TEST(Buttons, DuringARunTheWordWaitsForTheNextTick) {
    LightRig r;
    sim::Firmware& fw = r.instrument();
    r.state.runState = 1;
    r.light.cmd_luz_Click();
    EXPECT_TRUE(r.state.lightOn);
    EXPECT_EQ(r.c.shape_light.backColor, colors::green.packed());
    EXPECT_TRUE(r.light.controlWordPending());
    EXPECT_EQ(r.writtenBytes(), 0u);
    r.light.cmd_ontemp_Click();
    EXPECT_EQ(r.writtenBytes(), 0u);
    r.light.advanceLightCycle(3.0);  // no pulses: only the pending word
    EXPECT_EQ(fw.controlWord(), 5);
    EXPECT_FALSE(r.light.controlWordPending());
    EXPECT_EQ(r.framesFrom(0).size(), 1u);
    r.light.advanceLightCycle(3.1);
    EXPECT_EQ(r.framesFrom(0).size(), 1u);
    // Heat/cool switches the unit off; outside a run the word goes at once.
    r.state.runState = 0;
    r.light.cmd_frio_Click();
    EXPECT_EQ(fw.controlWord(), 6);
    EXPECT_EQ(r.c.cmd_frio.text, "HEAT");
    EXPECT_EQ(r.c.cmd_ontemp.text, "OFF");
    // Stop: light and unit off, heating kept.
    r.state.tempControlOn = true;
    r.light.lightAndTemperatureOff();
    EXPECT_EQ(fw.controlWord(), 2);
    EXPECT_TRUE(r.state.heating);
}

TEST(Buttons, SetPointPanelsAndEnableBoxes) {
    LightRig r;
    r.c.txttemp.text = "30,5";
    r.light.Cmd_settemp_Click();
    EXPECT_DOUBLE_EQ(r.light.setPoint(), 30.5);
    r.c.frm_pulse.visible = false;
    r.light.cmd_cyclepulse_Click();
    EXPECT_TRUE(r.c.frm_pulse.visible);
    r.light.cmd_cyclepulse_Click();
    EXPECT_FALSE(r.c.frm_pulse.visible);
    r.c.Chk_lenabled.checked = false;
    r.light.Chk_lenabled_Click();
    EXPECT_FALSE(r.state.lightEnabled);
    EXPECT_EQ(r.store().setup().Mn2[mn2::Enable], 0);
    r.c.Chk_tenabled.checked = true;
    r.light.Chk_tenabled_Click();
    EXPECT_TRUE(r.state.tempControlEnabled);
    EXPECT_EQ(r.store().setup().Mn3[mn3::Enable], 1);
    // The menu items: hiding says nothing, showing warns once.
    r.c.Frame_light.visible = true;
    r.light.lght_ctl_Click();
    EXPECT_FALSE(r.c.Frame_light.visible);
    EXPECT_EQ(r.store().setup().Menu2, 0);
    EXPECT_TRUE(r.ui.messages.empty());
    r.light.lght_ctl_Click();
    EXPECT_TRUE(r.c.Frame_light.visible);
    EXPECT_EQ(r.store().setup().Menu2, 1);
    r.c.Frame_temp.visible = false;
    r.light.temp_ctl_Click();
    EXPECT_EQ(r.store().setup().Menu3, 1);
    EXPECT_EQ(r.ui.messages,
              (std::vector<std::string>{"Only available in some hardware versions",
                                        "Only available in some hardware versions"}));
}

TEST(Boxes, EachBoxKeepsAValidValueAndReplacesAnInvalidOne) {
    LightRig r;
    Mn& mn2 = r.store().setup().Mn2;
    Mn& mn3 = r.store().setup().Mn3;
    struct Case {
        Control* box;
        void (LightAndTemperature::*lostFocus)();
        const char* typed;
        const char* shown;
        const char* message;
    };
    const Case cases[] = {
        {&r.c.txt_lon, &LightAndTemperature::txt_lon_LostFocus, "7", "07", nullptr},
        {&r.c.txt_lon, &LightAndTemperature::txt_lon_LostFocus, "24", "9",
         "Invalid value: 0 to 23"},
        {&r.c.txt_loff, &LightAndTemperature::txt_loff_LostFocus, "", "21",
         "Invalid value: 0 to 23"},
        {&r.c.txt_loff, &LightAndTemperature::txt_loff_LostFocus, "18", "18", nullptr},
        {&r.c.txt_pulseon, &LightAndTemperature::txt_pulseon_LostFocus, "1,25", "1.2", nullptr},
        {&r.c.txt_pulseon, &LightAndTemperature::txt_pulseon_LostFocus, "1441", "0",
         "Invalid value: 0.0 to 1440.0"},
        {&r.c.txt_pulseoff, &LightAndTemperature::txt_pulseoff_LostFocus, "abc", "0",
         "Invalid value: 0.0 to 1440.0"},
        {&r.c.txttemp, &LightAndTemperature::txttemp_LostFocus, "37.25", "37.2", nullptr},
        {&r.c.txttemp, &LightAndTemperature::txttemp_LostFocus, "4.9", "20",
         "Invalid value: 5.0 to 50.0"},
    };
    for (const Case& k : cases) {
        r.ui.messages.clear();
        k.box->text = k.typed;
        (r.light.*k.lostFocus)();
        EXPECT_EQ(k.box->text, k.shown) << k.typed;
        EXPECT_EQ(r.ui.messages,
                  k.message ? std::vector<std::string>{k.message} : std::vector<std::string>{})
            << k.typed;
    }
    EXPECT_EQ(mn2[mn2::Time_ON], 9);
    EXPECT_EQ(mn2[mn2::Time_OFF], 18);
    EXPECT_EQ(mn2[mn2::Pulse_ONx10], 12);  // halves to even, in the file as in the box
    EXPECT_EQ(mn3[mn3::Tempx10], 200);
}

TEST(Boxes, PulseCyclesLockTheLightHours) {
    LightRig r;
    Mn& mn2 = r.store().setup().Mn2;
    r.c.txt_pulsetimes.text = "3";
    r.light.txt_pulsetimes_LostFocus();
    EXPECT_EQ(mn2[mn2::Pulse_Cycles], 3);
    EXPECT_FALSE(r.c.txt_lon.enabled);
    EXPECT_FALSE(r.c.txt_loff.enabled);
    r.c.txt_pulsetimes.text = "100";
    r.light.txt_pulsetimes_LostFocus();
    EXPECT_EQ(r.ui.messages, std::vector<std::string>{"Invalid value: 0-99"});
    EXPECT_EQ(r.c.txt_pulsetimes.text, "0");
    EXPECT_EQ(mn2[mn2::Pulse_Cycles], 0);
    EXPECT_TRUE(r.c.txt_lon.enabled);
    EXPECT_TRUE(r.c.txt_loff.enabled);
}

}  // namespace
}  // namespace qv
