#pragma once

void RunSettingsUI();
