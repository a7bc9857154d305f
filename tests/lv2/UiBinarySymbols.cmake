# The LV2 editor's binary runs where hosts put interfaces, possibly in another
# process than the plug-in: it must hold the editor and nothing of the sound.
# Fails when it defines a symbol of the DSP stages, the effect core, the
# wave-shape loader or the VST 2 classes, or exports anything but
# lv2ui_descriptor.
#   cmake -DBINARY=... -DNM=... -P UiBinarySymbols.cmake
execute_process(COMMAND ${NM} -C --defined-only ${BINARY} RESULT_VARIABLE status OUTPUT_VARIABLE symbols
  ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${BINARY}: ${errors}")
endif()
# The editor's own classes must be there, or the check below proves nothing.
foreach(needed "EditorPanel::" "Lv2UiParameters::" "parameterInfo")
  string(FIND "${symbols}" "${needed}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${BINARY} defines no ${needed}: is this the editor's binary?")
  endif()
endforeach()
foreach(forbidden "Fft::" "TrackingOscillator::" "ResonantFilter::" "FeedbackDelay::" "Distortion::"
        "EffectCore::" "WaveShapeTable::" "readWaveFile" "AudioEffect::" "PluginEffect::" "PluginEditor::")
  string(FIND "${symbols}" "${forbidden}" at)
  if(NOT at EQUAL -1)
    string(SUBSTRING "${symbols}" ${at} 120 around)
    message(FATAL_ERROR "${BINARY} defines ${forbidden}: ${around}")
  endif()
endforeach()
execute_process(COMMAND ${NM} -D --defined-only ${BINARY} OUTPUT_VARIABLE exported)
string(REGEX MATCHALL " [A-Za-z] [^\n]+" entries "${exported}")
if(NOT entries STREQUAL " T lv2ui_descriptor")
  message(FATAL_ERROR "${BINARY} exports ${entries}, not lv2ui_descriptor alone")
endif()
message(STATUS "${BINARY}: the editor without the DSP, exporting lv2ui_descriptor alone")
