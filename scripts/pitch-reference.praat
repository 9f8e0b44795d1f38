# The reference pitch track that scripts/pitch-score compares kelvox's tracks with:
# Praat's standard autocorrelation pitch (To Pitch (ac), its default settings, 75-600 Hz,
# 10 ms frames), one "time f0" line per frame, f0 = 0 where Praat finds the frame unvoiced.
# Run headless: praat --run scripts/pitch-reference.praat /abs/in.wav /abs/out.txt
# (Praat resolves relative paths from this script's folder.)
form Reference pitch track
    sentence Input_file in.wav
    sentence Output_file out.txt
endform
sound = Read from file: input_file$
pitch = To Pitch (ac): 0, 75, 15, "no", 0.03, 0.45, 0.01, 0.35, 0.14, 600
n = Get number of frames
deleteFile: output_file$
for i to n
    t = Get time from frame number: i
    f = Get value in frame: i, "Hertz"
    if f = undefined
        f = 0
    endif
    appendFileLine: output_file$, fixed$(t, 4), " ", fixed$(f, 2)
endfor
