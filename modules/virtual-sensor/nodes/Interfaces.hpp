// Fill the framework's interface tables of each node type with our functions.
#pragma once

#include <XnModuleInterface.h>

namespace Orvo::VirtualSensor {

void FillDepthInterface(XnModuleDepthGeneratorInterface* table);
void FillImageInterface(XnModuleImageGeneratorInterface* table);
void FillUserInterface(XnModuleUserGeneratorInterface* table);
void FillSceneInterface(XnModuleSceneAnalyzerInterface* table);

}  // namespace Orvo::VirtualSensor
