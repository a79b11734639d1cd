#pragma once
// Definitions of the properties every module and component creates itself,
// and of the properties that come with each input and output.
#include "orda_definitions.h"

namespace ORDAPrivate {
struct SpecialPropertyDefinitions {
    ORDAPropertyDefinition processor;
    ORDAPropertyDefinition counter;
    ORDAPropertyDefinition nbPeriods;
    ORDAPropertyDefinition averagePeriod;
    ORDAPropertyDefinition minPeriod;
    ORDAPropertyDefinition maxPeriod;
    ORDAPropertyDefinition contextSwitches;
    ORDAPropertyDefinition cpuLoad;
    ORDAPropertyDefinition threaded;
    ORDAPropertyDefinition priority;
    ORDAPropertyDefinition autoStart;
    ORDAPropertyDefinition componentModelVersion;
    ORDAPropertyDefinition primaryThreadID;
    // ".subsampling" and ".readerType" of inputs.
    ORDAPropertyDefinition inputSubsampling;
    ORDAPropertyDefinition inputReaderType;
    // ".subsampling", ".fifosize" and ".periodic" of outputs.
    ORDAPropertyDefinition outputSubsampling;
    ORDAPropertyDefinition outputFifoSize;
    ORDAPropertyDefinition outputPeriodic;
};

// Built with the runtime's static objects, after the models registered.
const SpecialPropertyDefinitions& SpecialProperties();
}
