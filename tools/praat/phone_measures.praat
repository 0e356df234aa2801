# Acoustic measurements of phones in a sound, as Praat procedures: fricative spectrum and level,
# stop release, burst level and spectrum, voice onset time and aspiration (and, for stops released
# from silence, to the millisecond), F2 transition, nasal murmur and release, liquid and glide
# formants, diphthong glides, formants toward the consonant after a vowel, vowels' formant
# levels, pitch steps. Each takes the Sound's id and times in seconds, leaves its results in its
# own variables (.name) and removes every object it made.

# Formants of the Formant object .formant at time .t, skipping resonances wider than 600 Hz
# (Burg places broad poles between close formants; a formant of speech is narrower).
procedure narrow_formants: .formant, .t
    selectObject: .formant
    .f1 = undefined
    .f2 = undefined
    .f3 = undefined
    .found = 0
    for .i to 5
        .f = Get value at time: .i, .t, "hertz", "linear"
        .b = Get bandwidth at time: .i, .t, "hertz", "linear"
        if .f <> undefined and .b <> undefined and .b < 600 and .f > 90
            .found += 1
            if .found = 1
                .f1 = .f
            elsif .found = 2
                .f2 = .f
            elsif .found = 3
                .f3 = .f
            endif
        endif
    endfor
endproc

# Burg formants every 5 ms (25-ms window, 5 formants up to 5000 Hz, pre-emphasis from 50 Hz)
# of [.from - 0.05, .to + 0.05]; the Formant object's id in .formant (the caller removes it).
procedure formant_track: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from - 0.05, .to + 0.05, "rectangular", 1, "yes"
    .formant = To Formant (burg): 0.005, 5, 5000, 0.025, 50
    removeObject: .part
endproc

# Median of narrow F1, F2, F3 over the frames of [.from, .to] of the Formant object .formant and
# the lowest F3 found there; undefined where no frame has one.
procedure formant_medians: .formant, .from, .to
    for .k to 3
        .table[.k] = Create Table with column names: "f", 0, "f"
    endfor
    .t = .from
    while .t <= .to + 1e-9
        @narrow_formants: .formant, .t
        .value[1] = narrow_formants.f1
        .value[2] = narrow_formants.f2
        .value[3] = narrow_formants.f3
        for .k to 3
            if .value[.k] <> undefined
                selectObject: .table[.k]
                Append row
                .row = Get number of rows
                Set numeric value: .row, "f", .value[.k]
            endif
        endfor
        .t += 0.005
    endwhile
    for .k to 3
        selectObject: .table[.k]
        .median[.k] = undefined
        .lowest[.k] = undefined
        .rows = Get number of rows
        if .rows > 0
            .median[.k] = Get quantile: "f", 0.5
            .lowest[.k] = Get minimum: "f"
        endif
        removeObject: .table[.k]
    endfor
    .f1 = .median[1]
    .f2 = .median[2]
    .f3 = .median[3]
    .f3min = .lowest[3]
endproc

# Fricative [.from, .to] before or after the vowel [.vfrom, .vto]: centre of gravity (power 2),
# standard deviation and share of energy above 3 kHz of a 40-ms Hamming window at mid-fricative
# (Jongman, Wayland & Wong 2000, Sec. II.C), and the rms level of the whole fricative re the
# whole vowel in dB (their normalised amplitude).
procedure fricative: .sound, .from, .to, .vfrom, .vto
    selectObject: .sound
    .mid = (.from + .to) / 2
    .part = Extract part: .mid - 0.02, .mid + 0.02, "Hamming", 1, "no"
    .spectrum = To Spectrum: "yes"
    .cog = Get centre of gravity: 2
    .sd = Get standard deviation: 2
    .nyquist = Get highest frequency
    .high = Get band energy: 3000, .nyquist
    .all = Get band energy: 0, .nyquist
    .above3k = .high / .all
    removeObject: .part, .spectrum
    selectObject: .sound
    .rms = Get root-mean-square: .from, .to
    .vrms = Get root-mean-square: .vfrom, .vto
    .level = 20 * log10 (.rms / .vrms)
endproc

# Stop release in [.from - 0.01, .to] (a burst that starts at .from shows from 4 ms before it in
# the analysis window): where the intensity above 1 kHz (1-ms frames, 8-ms window) makes its
# largest 4-ms rise (.rise, dB; a release rises by tens of dB), the release is the
# first frame that comes within 3 dB of the highest level of the next 10 ms: the window's centre
# is there when it covers half of a steady burst. The floor is the interval's highest level
# less 60 dB, so that digital silence does not make every rise endless.
procedure release: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from - 0.03, .to + 0.02, "rectangular", 1, "yes"
    .high = Filter (pass Hann band): 1000, 0, 200
    .intensity = To Intensity: 400, 0.001, "no"
    .floor = Get maximum: .from - 0.01, .to, "none"
    .floor -= 60
    .rise = -1000
    .time = undefined
    .t = .from - 0.01
    while .t <= .to
        .a = Get value at time: .t - 0.002, "linear"
        .b = Get value at time: .t + 0.002, "linear"
        if .a <> undefined and .b <> undefined
            if max (.b, .floor) - max (.a, .floor) > .rise
                .rise = max (.b, .floor) - max (.a, .floor)
                .time = .t
            endif
        endif
        .t += 0.001
    endwhile
    if .time <> undefined
        .top = Get maximum: .time, .time + 0.01, "none"
        .t = .time - 0.005
        .found = 0
        while .t <= .time + 0.01 and not .found
            .a = Get value at time: .t, "linear"
            if .a <> undefined and .a >= .top - 3
                .b = Get value at time: .t - 0.001, "linear"
                .time = .t
                if .b <> undefined and .b < .top - 3
                    .time = .t - 0.001 * (.a - (.top - 3)) / (.a - .b)
                endif
                .found = 1
            endif
            .t += 0.001
        endwhile
    endif
    removeObject: .part, .high, .intensity
endproc

# Level of the loudest 100 ms of [.from, .to] in dB re full scale (windows every 5 ms).
procedure loudest_100ms: .sound, .from, .to
    selectObject: .sound
    .level = -400
    .t = .from
    repeat
        .rms = Get root-mean-square: .t, min (.t + 0.1, .to)
        if .rms <> undefined and .rms > 0
            .level = max (.level, 20 * log10 (.rms))
        endif
        .t += 0.005
    until .t + 0.1 > .to + 0.005
endproc

# Burst of the stop [.from, .to] in the word [.wfrom, .wto]: the release (procedure release), the
# rms level of the 10 ms from it re the word's loudest 100 ms (dB), the same of its first 5 ms
# above 1 kHz (.high: the burst alone, shorter than 10 ms for a labial, without a voice that starts
# soon after it), and the frequency of the highest peak above 500 Hz (200-Hz bands) and the
# centre of gravity (power 2) of a 25-ms Hamming window from 5 ms before it.
procedure burst: .sound, .from, .to, .wfrom, .wto
    @release: .sound, .from, .to
    .time = release.time
    .rise = release.rise
    @loudest_100ms: .sound, .wfrom, .wto
    selectObject: .sound
    .rms = Get root-mean-square: .time, .time + 0.01
    .level = 20 * log10 (.rms) - loudest_100ms.level
    .part = Extract part: .time - 0.02, .time + 0.025, "rectangular", 1, "yes"
    .above = Filter (pass Hann band): 1000, 0, 100
    .rms = Get root-mean-square: .time, .time + 0.005
    .high = 20 * log10 (.rms) - loudest_100ms.level
    removeObject: .part, .above
    selectObject: .sound
    .part = Extract part: .time - 0.005, .time + 0.02, "Hamming", 1, "no"
    .spectrum = To Spectrum: "yes"
    .cog = Get centre of gravity: 2
    .ltas = To Ltas: 200
    .peak = Get frequency of maximum: 500, 8000, "parabolic"
    removeObject: .part, .spectrum, .ltas
endproc

# Voicing onset from .from on in [.from, .to]: the glottal pulses of Praat's periodic point
# process (60 to 600 Hz) make runs, each pulse within 1/60 s of the last; the onset is the first
# pulse of the first run of three or more that has a pulse at or after .from (so it may lie
# before .from when the sound is voiced there; up to 0.1 s).
procedure voicing_onset: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from - 0.1, .to, "rectangular", 1, "yes"
    .points = To PointProcess (periodic, cc): 60, 600
    .n = Get number of points
    for .i to .n
        .t[.i] = Get time from index: .i
        .start[.i] = .i
        if .i > 1
            if .t[.i] - .t[.i - 1] < 1 / 60
                .start[.i] = .start[.i - 1]
            endif
        endif
    endfor
    # the length of each pulse's run, from its last pulse back
    for .j to .n
        .i = .n + 1 - .j
        .length[.i] = .i - .start[.i] + 1
        if .i < .n
            if .start[.i + 1] = .start[.i]
                .length[.i] = .length[.i + 1]
            endif
        endif
    endfor
    .time = undefined
    .i = 1
    while .i <= .n and .time = undefined
        if .t[.i] >= .from and .length[.i] >= 3
            .time = .t[.start[.i]]
        endif
        .i += 1
    endwhile
    removeObject: .part, .points
endproc

# Voice onset time of the stop [.from, .to] followed by the vowel ending at .vto: from the release
# (procedure release) to the voicing onset (procedure voicing_onset from 30 ms before the
# release: the burst hides the voicing under it from the pitch analysis), in seconds; negative
# when the stop was voiced up to 30 ms before its release. When the stretch from 10 ms after the
# release to the voicing onset lasts 15 ms or more, .low is its energy in 0-700 Hz re 700-5000
# Hz (dB): aspiration excites little F1 (the F1 cutback that cues voicelessness), and .asp the
# rms level from 10 ms after the release to 5 ms before the voicing onset re the loudest 100 ms
# of [.from, .vto] (dB); else both undefined.
procedure vot: .sound, .from, .to, .vto
    @release: .sound, .from, .to
    .release = release.time
    .rise = release.rise
    @voicing_onset: .sound, .release - 0.03, .vto
    .vot = voicing_onset.time - .release
    .low = undefined
    .asp = undefined
    if .vot <> undefined and .vot >= 0.025
        @band_level: .sound, .release + 0.01, voicing_onset.time, 0, 700
        .low = band_level.level
        @band_level: .sound, .release + 0.01, voicing_onset.time, 700, 5000
        .low -= band_level.level
        @loudest_100ms: .sound, .from, .vto
        selectObject: .sound
        .rms = Get root-mean-square: .release + 0.01, voicing_onset.time - 0.005
        .asp = 20 * log10 (.rms) - loudest_100ms.level
    endif
endproc

# The first sample of a burst released from silence: from the release that procedure release
# finds in [.from, .to], back to 10 ms before it, the first sample of the sound above 1 kHz
# (Hann band, 500-Hz flanks) whose magnitude is a hundredth (-40 dB) of the largest in the 10 ms
# after that release. The filter keeps a voicing that starts with the burst out; a burst that
# rises over a millisecond is timed from its start, not from where it is half up.
procedure burst_onset: .sound, .from, .to
    @release: .sound, .from, .to
    .time = release.time
    if .time <> undefined
        selectObject: .sound
        .part = Extract part: .time - 0.04, .time + 0.04, "rectangular", 1, "yes"
        .high = Filter (pass Hann band): 1000, 0, 500
        .top = Get absolute extremum: .time, .time + 0.01, "none"
        .i = Get sample number from time: .time - 0.01
        .i = round (.i)
        .last = Get sample number from time: .time + 0.01
        .found = 0
        while .i <= .last and not .found
            .value = Get value at sample number: 1, .i
            if abs (.value) >= .top / 100
                .time = Get time from sample number: .i
                .found = 1
            endif
            .i += 1
        endwhile
        removeObject: .part, .high
    endif
endproc

# The first glottal pulse after .from in [.from, .to]: Praat's periodic pulses (cross-
# correlation, 60 to 600 Hz) of [.from - 0.03, .to] make runs, each pulse within 1/60 s of the
# last; of the first run of three or more, the first pulse whose period (the half periods either
# side) holds at least a quarter (-6 dB) of the energy of the next pulse's. A quieter one is the
# glottis opening before its first closure, or noise, which the pulse analysis extends the run
# into by one period.
procedure first_pulse: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from - 0.03, .to, "rectangular", 1, "yes"
    .points = To PointProcess (periodic, cc): 60, 600
    .n = Get number of points
    for .i to .n
        .t[.i] = Get time from index: .i
    endfor
    .time = undefined
    .i = 1
    while .i <= .n - 2 and .time = undefined
        if .t[.i] >= .from and .t[.i + 1] - .t[.i] < 1 / 60 and .t[.i + 2] - .t[.i + 1] < 1 / 60
            .time = .t[.i]
            .k = .i
        endif
        .i += 1
    endwhile
    if .time <> undefined
        selectObject: .part
        .quiet = 1
        while .quiet and .k < .n - 1
            .period = .t[.k + 1] - .t[.k]
            .this = Get root-mean-square: .t[.k] - .period / 2, .t[.k] + .period / 2
            .next = Get root-mean-square: .t[.k + 1] - .period / 2, .t[.k + 1] + .period / 2
            .quiet = .this < .next / 2 and .t[.k + 2] - .t[.k + 1] < 1 / 60
            if .quiet
                .k += 1
            endif
        endwhile
        .time = .t[.k]
    endif
    removeObject: .part, .points
endproc

# Voice onset time of a stop released from silence in [.from, .to] and voiced up to .vto, to the
# millisecond: the burst onset (procedure burst_onset) and the first glottal pulse from 30 ms
# before it (procedure first_pulse), in seconds: .release, .voicing and .vot.
procedure onset_vot: .sound, .from, .to, .vto
    @burst_onset: .sound, .from, .to
    .release = burst_onset.time
    .voicing = undefined
    .vot = undefined
    if .release <> undefined
        @first_pulse: .sound, .release - 0.03, .vto
        .voicing = first_pulse.time
        .vot = .voicing - .release
    endif
endproc

# F2 transition of the vowel [.from, .to] (.from at its voicing onset): F2 5 ms in (the onset),
# the median F2 of the vowel's middle fifth (the target), and the length of a linear glide with
# the same 10 %-to-90 % time as the track from the onset to the target ((t90 - t10) / 0.8), in
# seconds; 0 when onset and target are less than 100 Hz apart, undefined when F2 does not reach
# 90 % of the change by mid-vowel.
procedure f2_transition: .sound, .from, .to
    @formant_track: .sound, .from, .to
    .formant = formant_track.formant
    .mid = (.from + .to) / 2
    @formant_medians: .formant, .mid - (.to - .from) / 10, .mid + (.to - .from) / 10
    .target = formant_medians.f2
    @narrow_formants: .formant, .from + 0.005
    .onset = narrow_formants.f2
    # F1's rise from 5 ms after .from to the middle (Hz): after an aspirated stop F1 has risen
    # in the aspiration, and the voice starts without an F1 transition (F1 cutback)
    .f1rise = undefined
    if narrow_formants.f1 <> undefined and formant_medians.f1 <> undefined
        .f1rise = formant_medians.f1 - narrow_formants.f1
    endif
    .duration = 0
    if .onset <> undefined and .target <> undefined and abs (.target - .onset) >= 100
        # the times F2 passes 10 % and 90 % of the change, interpolated between frames
        .t10 = .from + 0.005
        .t90 = undefined
        .last = 0
        .t = .from + 0.01
        while .t <= .mid and .t90 = undefined
            @narrow_formants: .formant, .t
            if narrow_formants.f2 <> undefined
                .share = (narrow_formants.f2 - .onset) / (.target - .onset)
                if .share <= 0.1
                    .t10 = .t
                elsif .last < 0.1
                    .t10 = .t - 0.005 * (.share - 0.1) / (.share - .last)
                endif
                if .share >= 0.9
                    .t90 = .t - 0.005 * (.share - 0.9) / (.share - .last)
                endif
                .last = .share
            endif
            .t += 0.005
        endwhile
        .duration = (.t90 - .t10) / 0.8
    endif
    removeObject: .formant
endproc

# Level of [.from, .to] in the band [.lo, .hi] Hz, dB.
procedure band_level: .sound, .from, .to, .lo, .hi
    selectObject: .sound
    .part = Extract part: .from, .to, "rectangular", 1, "no"
    .spectrum = To Spectrum: "yes"
    .energy = Get band energy: .lo, .hi
    .level = 10 * log10 (.energy)
    removeObject: .part, .spectrum
endproc

# Nasal murmur [.from, .to] released into (or after) the vowel [.vfrom, .vto] at .to: the median
# narrow F1 of the murmur's middle half, the delay of its voicing onset after .from (s, 0 when
# voiced at .from), the level change across .to (20 ms after re 20 ms before, dB) in Bark 5-7
# (400-770 Hz) and Bark 11-14 (1480-2700 Hz), the bands of Kurowski & Blumstein (1987), the
# murmur's rms level re the vowel's (dB) and its energy in 500-5000 Hz re 0-500 Hz (dB).
procedure nasal: .sound, .from, .to, .vfrom, .vto
    .quarter = (.to - .from) / 4
    @formant_track: .sound, .from, .to
    @formant_medians: formant_track.formant, .from + .quarter, .to - .quarter
    .f1 = formant_medians.f1
    removeObject: formant_track.formant
    @voicing_onset: .sound, .from, .to
    .delay = max (0, voicing_onset.time - .from)
    @band_level: .sound, .to - 0.02, .to, 400, 770
    .low = band_level.level
    @band_level: .sound, .to, .to + 0.02, 400, 770
    .low = band_level.level - .low
    @band_level: .sound, .to - 0.02, .to, 1480, 2700
    .mid = band_level.level
    @band_level: .sound, .to, .to + 0.02, 1480, 2700
    .mid = band_level.level - .mid
    selectObject: .sound
    .rms = Get root-mean-square: .from, .to
    .vrms = Get root-mean-square: .vfrom, .vto
    .level = 20 * log10 (.rms / .vrms)
    @band_level: .sound, .from, .to, 500, 5000
    .upper = band_level.level
    @band_level: .sound, .from, .to, 0, 500
    .upper -= band_level.level
endproc

# Liquid or glide [.from, .to]: median narrow F1, F2, F3 of its middle half, the lowest F3
# of the whole interval (an /r/ is known by its F3 dip) and the energy of the middle half in
# 2500-5000 Hz re 0-1000 Hz (dB; an /l/ keeps strong F3 and F4, an /r/ does not).
procedure liquid: .sound, .from, .to
    .quarter = (.to - .from) / 4
    @formant_track: .sound, .from, .to
    @formant_medians: formant_track.formant, .from + .quarter, .to - .quarter
    .f1 = formant_medians.f1
    .f2 = formant_medians.f2
    .f3 = formant_medians.f3
    @formant_medians: formant_track.formant, .from, .to
    .f3min = formant_medians.f3min
    removeObject: formant_track.formant
    @band_level: .sound, .from + .quarter, .to - .quarter, 2500, 5000
    .upper = band_level.level
    @band_level: .sound, .from + .quarter, .to - .quarter, 0, 1000
    .upper -= band_level.level
endproc

# Diphthong or vowel [.from, .to]: median narrow F1 and F2 of its 10-30 % (.f1a, .f2a) and of its
# 70-90 % (.f1b, .f2b), the points where Hillenbrand et al. (1995) give onsets and offsets.
procedure diphthong: .sound, .from, .to
    .d = .to - .from
    @formant_track: .sound, .from, .to
    @formant_medians: formant_track.formant, .from + 0.1 * .d, .from + 0.3 * .d
    .f1a = formant_medians.f1
    .f2a = formant_medians.f2
    @formant_medians: formant_track.formant, .from + 0.7 * .d, .from + 0.9 * .d
    .f1b = formant_medians.f1
    .f2b = formant_medians.f2
    removeObject: formant_track.formant
endproc

# Toward the consonant after the vowel [.from, .to]: F1's fall and F2's and F3's rise from the
# medians of its middle fifth to 10 ms before its end (Hz).
procedure vowel_end: .sound, .from, .to
    .d = .to - .from
    @formant_track: .sound, .from, .to
    @formant_medians: formant_track.formant, .from + 0.4 * .d, .to - 0.4 * .d
    @narrow_formants: formant_track.formant, .to - 0.01
    removeObject: formant_track.formant
    .f1fall = formant_medians.f1 - narrow_formants.f1
    .f2rise = narrow_formants.f2 - formant_medians.f2
    .f3rise = narrow_formants.f3 - formant_medians.f3
endproc

# Formant levels of a vowel [.from, .to] as Peterson & Barney (1952) read them: the strongest
# harmonic within 15 % (at least 100 Hz) of each of F1, F2 and F3 (the medians of the middle
# fifth), in the spectrum of 40 ms at the vowel's middle (Hanning window); .l2 and .l3 are L2
# and L3 re L1, dB.
procedure formant_levels: .sound, .from, .to
    .d = .to - .from
    @formant_track: .sound, .from, .to
    @formant_medians: formant_track.formant, .from + 0.4 * .d, .to - 0.4 * .d
    removeObject: formant_track.formant
    selectObject: .sound
    .mid = (.from + .to) / 2
    .part = Extract part: .mid - 0.02, .mid + 0.02, "Hanning", 1, "no"
    .spectrum = To Spectrum: "no"
    .ltas = To Ltas (1-to-1)
    for .k to 3
        .f = formant_medians.median[.k]
        .level[.k] = undefined
        if .f <> undefined
            .w = max (100, 0.15 * .f)
            .level[.k] = Get maximum: .f - .w, .f + .w, "None"
        endif
    endfor
    .l2 = .level[2] - .level[1]
    .l3 = .level[3] - .level[1]
    removeObject: .part, .spectrum, .ltas
endproc

# Long-term spectrum of [.from, .to]: the power in the 1/3-octave bands centred at 1000 * 2^(n/3)
# Hz, n = -10..9 (100 Hz to 8 kHz; edges at the centre * 2^(-1/6) and 2^(1/6)), in dB re the
# strongest band: .level[1..20].
procedure third_octaves: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from, .to, "rectangular", 1, "no"
    .spectrum = To Spectrum: "yes"
    .top = -1000
    for .k to 20
        .centre = 1000 * 2 ^ ((.k - 11) / 3)
        .energy = Get band energy: .centre * 2 ^ (-1 / 6), .centre * 2 ^ (1 / 6)
        .level[.k] = 10 * log10 (.energy + 1e-30)
        .top = max (.top, .level[.k])
    endfor
    for .k to 20
        .level[.k] -= .top
    endfor
    removeObject: .part, .spectrum
endproc

# Pitch steps in [.from, .to]: Praat's pitch (autocorrelation, 10-ms frames, 60 to 600 Hz); the
# largest change between neighbouring voiced frames in cents, the number of changes over 50
# cents and the number of neighbouring voiced pairs.
procedure pitch_steps: .sound, .from, .to
    selectObject: .sound
    .part = Extract part: .from, .to, "rectangular", 1, "yes"
    .pitch = To Pitch: 0.01, 60, 600
    .frames = Get number of frames
    .largest = 0
    .over50 = 0
    .pairs = 0
    .last = undefined
    for .i to .frames
        .f = Get value in frame: .i, "Hertz"
        if .f <> undefined and .last <> undefined
            .step = abs (1200 * log2 (.f / .last))
            .largest = max (.largest, .step)
            .over50 += .step > 50
            .pairs += 1
        endif
        .last = .f
    endfor
    removeObject: .part, .pitch
endproc
