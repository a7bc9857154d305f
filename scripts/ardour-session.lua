-- Builds an Ardour session headless (ardour7-lua) with one mono track: Ardour's
-- SinGen (220 Hz, -6 dB) into Brasklin of the given plug-in type, a few of
-- Brasklin's 0..1 settings changed, then saved for ardour7-export.
-- Arguments: session folder, session name, plug-in type ("VST3" or "LXVST").
local dir, name, kind = arg[1], arg[2], arg[3]
ARDOUR.config():set_hide_dummy_backend(false)
ARDOUR.config():set_conceal_vst2_if_vst3_exists(false)
AudioEngine:set_backend("None (Dummy)", "", "")
AudioEngine:set_sample_rate(44100)
AudioEngine:start(false)
assert(create_session(dir, name, 44100), "cannot create the session")
local track = Session:new_audio_track(1, 2, nil, 1, "Brasklin", ARDOUR.PresentationInfo.max_order,
                                      ARDOUR.TrackMode.Normal, false, false):front()
local generator = ARDOUR.LuaAPI.new_plugin(Session, "SinGen", ARDOUR.PluginType.Lua, "")
assert(not generator:isnil(), "no SinGen")
track:add_processor_by_index(generator, 0, nil, true)
ARDOUR.LuaAPI.set_processor_param(generator, 0, 220)
ARDOUR.LuaAPI.set_processor_param(generator, 1, -6)
local ptype = kind == "VST3" and ARDOUR.PluginType.VST3 or ARDOUR.PluginType.LXVST
local effect = ARDOUR.LuaAPI.new_plugin(Session, "Brasklin", ptype, "")
assert(not effect:isnil(), "Ardour does not list Brasklin as " .. kind)
track:add_processor_by_index(effect, 1, nil, true)
-- Settings whose host value is the plug-in's own 0..1 value in both formats
-- (Ardour shows the VST 3 edition's others in their units: seconds, dB, ...).
local wanted = { ["Delay Mix"] = 0.4, ["Delay FeedBack"] = 0.5, ["Drive"] = 0.3, ["Resonance"] = 0.6 }
local plugin = effect:to_insert():plugin(0)
for i = 0, plugin:parameter_count() - 1 do
  local label = plugin:parameter_label(i):gsub("^%s+", ""):gsub("%s+$", "")
  if wanted[label] ~= nil and plugin:parameter_is_input(i) then
    ARDOUR.LuaAPI.set_processor_param(effect, i, wanted[label])
    wanted[label] = nil
  end
end
for label, _ in pairs(wanted) do error("no parameter " .. label) end
-- A few cycles, so that the processor has taken the settings before its
-- state is saved.
ARDOUR.LuaAPI.usleep(500000)
Session:save_state("", false, false, false, false, false)
close_session()
