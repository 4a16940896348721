<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>ClientArea</name>
    <message>
        <source>The iterations of the place opened; Redraw keeps them</source>
        <translation>開いた場所の反復回数です。再描画もこの回数で描きます</translation>
    </message>
    <message>
        <source>Trace Outline</source>
        <translation>輪郭線</translation>
    </message>
    <message>
        <source>Draw All Area</source>
        <translation>全体描画</translation>
    </message>
    <message>
        <source>Accuracy</source>
        <translation>精度</translation>
    </message>
    <message>
        <source>Compose Music</source>
        <translation>作曲</translation>
    </message>
    <message>
        <source>Magnify Area</source>
        <translation>一部拡大</translation>
    </message>
    <message>
        <source>Stop Music</source>
        <translation>演奏停止</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>長さ</translation>
    </message>
    <message>
        <source>Low</source>
        <translation>低</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <source>High</source>
        <translation>高</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Draw the whole set at the chosen accuracy</source>
        <translation>選んだ精度で集合全体を描きます</translation>
    </message>
    <message>
        <source>Click two corners on the picture to magnify the region between them</source>
        <translation>画像上の2つの角をクリックすると、その間の範囲を拡大します</translation>
    </message>
    <message>
        <source>Replace the picture by its outline, which the music walks along</source>
        <translation>画像を輪郭線に置き換えます。音楽はこの線をたどります</translation>
    </message>
    <message>
        <source>Then click a start point on the outline to hear its walk</source>
        <translation>続けて輪郭線上の開始点をクリックすると、その道のりが聴けます</translation>
    </message>
    <message>
        <source>Stop the piece at once</source>
        <translation>演奏をすぐに止めます</translation>
    </message>
    <message>
        <source>Silence the music and close Velmora</source>
        <translation>音を止めてVelmoraを閉じます</translation>
    </message>
    <message>
        <source>How many iterations decide whether a point escapes; Automatic gives deeper magnifications more</source>
        <translation>点が発散するかを何回の反復で判定するか。自動では深く拡大するほど多くなります</translation>
    </message>
    <message>
        <source>8 to 800 steps</source>
        <translation>8〜800歩</translation>
    </message>
</context>
<context>
    <name>Controller</name>
    <message>
        <source>This view cannot be magnified any further: it is as deep as a place can keep.</source>
        <translation>この表示はこれ以上拡大できません。場所として保存できる最も深い拡大に達しています。</translation>
    </message>
    <message>
        <source>Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer.</source>
        <translation>2つの角をクリックするか、範囲をドラッグして拡大してください。ホイールでポインタを中心に拡大・縮小できます。</translation>
    </message>
    <message>
        <source>Please, click a point on the outline!</source>
        <translation>輪郭線上の開始点を選択してください</translation>
    </message>
    <message>
        <source>Clicked point is not on the outline!</source>
        <translation>クリックされた点は輪郭線から外れています。</translation>
    </message>
    <message>
        <source>The sound is not ready yet (the SoundFont is still loading, or the sound output is starting). The piece plays on and sounds as soon as it is ready.</source>
        <translation>音の準備がまだできていません（サウンドフォントの読み込み中か、音声出力の起動中です）。演奏はそのまま続き、準備ができ次第音が鳴ります。</translation>
    </message>
    <message>
        <source>The SoundFont loaded, but its instruments make no sound, so the piece plays silently.</source>
        <translation>サウンドフォントは読み込めましたが、楽器の音が出ません。曲は無音で演奏されます。</translation>
    </message>
    <message>
        <source>Draw the set</source>
        <translation>集合を描いてください</translation>
    </message>
    <message>
        <source>Click two corners to magnify, or trace the outline</source>
        <translation>2つの角をクリックして拡大するか、輪郭線をトレースしてください</translation>
    </message>
    <message>
        <source>Click the second corner to magnify</source>
        <translation>拡大する範囲のもう一方の角をクリックしてください</translation>
    </message>
    <message>
        <source>Compose music, then click a start point on the outline</source>
        <translation>作曲を押し、輪郭線上の開始点をクリックしてください</translation>
    </message>
    <message>
        <source>Click the second corner to magnify, or compose music</source>
        <translation>もう一方の角をクリックして拡大するか、作曲してください</translation>
    </message>
    <message>
        <source>Click a point on the outline</source>
        <translation>輪郭線上の点をクリックしてください</translation>
    </message>
    <message>
        <source>Playing: step %1 of %2 %3</source>
        <translation>演奏中: %2 歩中 %1 歩目 (%3)</translation>
    </message>
    <message>
        <source>on the MIDI port %1</source>
        <translation>MIDIポート %1 で</translation>
    </message>
    <message>
        <source>on the built-in synthesizer</source>
        <translation>内蔵シンセサイザーで</translation>
    </message>
    <message>
        <source>Compose again for another start point, or draw a new picture</source>
        <translation>別の開始点で作曲し直すか、新しく描いてください</translation>
    </message>
    <message>
        <source>The walk ran out of outline before the piece was complete. Click another point on the outline, or draw a new picture.</source>
        <translation>輪郭線のトレースに失敗しました。</translation>
    </message>
    <message>
        <source>No sound: no SoundFont was found at %1. Install the Debian package fluid-soundfont-gm to hear the pieces; until then they play silently.</source>
        <translation>使用できるMIDIデバイスがありません．</translation>
    </message>
    <message>
        <source>No sound: the sound output could not be started (no sound server or sound card answered), so the piece plays silently.</source>
        <translation>MIDIデバイスを使用できません．</translation>
    </message>
    <message>
        <source>Centre %1 %2 %3i, width %4, %5 iterations</source>
        <translation>中心 %1 %2 %3i、幅 %4、反復 %5 回</translation>
    </message>
    <message>
        <source>The MIDI output %1 cannot be reached, so this piece plays on the built-in synthesizer.</source>
        <translation>MIDI出力 %1 に接続できないため、この曲は内蔵シンセサイザーで演奏します。</translation>
    </message>
    <message>
        <source>The MIDI port %1 went away. The piece plays on silently; the next piece plays on the built-in synthesizer unless the port is back.</source>
        <translation>MIDIポート %1 がなくなりました。この曲は音を出さずに続きます。ポートが戻らなければ、次の曲は内蔵シンセサイザーで演奏します。</translation>
    </message>
    <message>
        <source>The place&apos;s start cell (%1, %2) is not on the outline of its picture, so nothing was opened.</source>
        <translation>場所の開始点 (%1, %2) が画像の輪郭線上にないため、何も開きませんでした。</translation>
    </message>
    <message>
        <source>Drawing the picture; Cancel brings back the one before</source>
        <translation>描画中です。取り消すと前の画像に戻ります</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>Paused at step %1 of %2: the arrows step back and forth, Space plays on</source>
        <translation>一時停止中: %2 歩中 %1 歩目。矢印キーで前後に 1 歩ずつ、スペースで再開</translation>
    </message>
    <message>
        <source>Orbit (%1, %2)</source>
        <translation>軌道 (%1, %2)</translation>
    </message>
    <message>
        <source>%1: following it…</source>
        <translation>%1: 計算中…</translation>
    </message>
    <message>
        <source>%1: escapes, count %2</source>
        <translation>%1: 発散、脱出回数 %2</translation>
    </message>
    <message>
        <source>%1: stays inside, period %2</source>
        <translation>%1: 集合内にとどまる、周期 %2</translation>
    </message>
    <message>
        <source>%1: stays inside, no cycle found</source>
        <translation>%1: 集合内にとどまる、周期は見つかりません</translation>
    </message>
</context>
<context>
    <name>DirectionLegend</name>
    <message>
        <source>Each step&apos;s direction plays the note shown, in the piece&apos;s key and scale; the lit one sounds now. A step back out of a dead end plays the note in the middle.</source>
        <translation>各歩の向きが、曲の調と音階で示された音を鳴らします。点灯している音が今鳴っている音です。行き止まりから戻る歩は中央の音を鳴らします。</translation>
    </message>
</context>
<context>
    <name>FileCommands</name>
    <message>
        <source>Open Place</source>
        <translation>場所を開く</translation>
    </message>
    <message>
        <source>Places, pictures and pieces (*.velmora *.json *.png *.mid *.midi)</source>
        <translation>場所・画像・曲 (*.velmora *.json *.png *.mid *.midi)</translation>
    </message>
    <message>
        <source>Save Picture…</source>
        <translation>画像を保存…</translation>
    </message>
    <message>
        <source>Export Melody as MIDI…</source>
        <translation>メロディをMIDIで書き出す…</translation>
    </message>
    <message>
        <source>Export Audio…</source>
        <translation>オーディオを書き出す…</translation>
    </message>
    <message>
        <source>Normalise Exported Audio to -16 LUFS</source>
        <translation>書き出すオーディオの音量を -16 LUFS にそろえる</translation>
    </message>
    <message>
        <source>Open Place…</source>
        <translation>場所を開く…</translation>
    </message>
    <message>
        <source>Save Place…</source>
        <translation>場所を保存…</translation>
    </message>
    <message>
        <source>Save Picture</source>
        <translation>画像を保存</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG画像 (*.png)</translation>
    </message>
    <message>
        <source>The picture could not be saved.</source>
        <translation>画像を保存できませんでした。</translation>
    </message>
    <message>
        <source>Save Place</source>
        <translation>場所を保存</translation>
    </message>
    <message>
        <source>Velmora places (*.velmora *.json)</source>
        <translation>Velmoraの場所 (*.velmora *.json)</translation>
    </message>
    <message>
        <source>The place could not be saved.</source>
        <translation>場所を保存できませんでした。</translation>
    </message>
    <message>
        <source>The place could not be opened.</source>
        <translation>場所を開けませんでした。</translation>
    </message>
    <message>
        <source>Export Melody as MIDI</source>
        <translation>メロディをMIDIで書き出す</translation>
    </message>
    <message>
        <source>MIDI files (*.mid *.midi)</source>
        <translation>MIDIファイル (*.mid *.midi)</translation>
    </message>
    <message>
        <source>The melody could not be exported.</source>
        <translation>メロディを書き出せませんでした。</translation>
    </message>
    <message>
        <source>%1 is a link to a file that does not exist.
Do you want to replace the link?</source>
        <translation>%1 は存在しないファイルへのリンクです。
リンクを置き換えますか？</translation>
    </message>
    <message>
        <source>Export Audio</source>
        <translation>オーディオを書き出す</translation>
    </message>
    <message>
        <source>FLAC files (*.flac);;WAV files (*.wav);;Ogg Vorbis files (*.ogg)</source>
        <translation>FLACファイル (*.flac);;WAVファイル (*.wav);;Ogg Vorbisファイル (*.ogg)</translation>
    </message>
    <message>
        <source>The audio could not be exported.</source>
        <translation>オーディオを書き出せませんでした。</translation>
    </message>
    <message>
        <source>Rendering the piece to %1…</source>
        <translation>曲を %1 に書き出しています…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取り消し</translation>
    </message>
    <message>
        <source>Export Video…</source>
        <translation>動画を書き出す…</translation>
    </message>
    <message>
        <source>Export Video</source>
        <translation>動画を書き出す</translation>
    </message>
    <message>
        <source>MP4 videos (*.mp4);;WebM videos (*.webm)</source>
        <translation>MP4 動画 (*.mp4);;WebM 動画 (*.webm)</translation>
    </message>
    <message>
        <source>The video could not be exported.</source>
        <translation>動画を書き出せませんでした。</translation>
    </message>
    <message>
        <source>Making a video of the piece: %1…</source>
        <translation>曲の動画を作成しています: %1…</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Zoom In</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Move the View</source>
        <translation>表示の移動</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Picture Cursor</source>
        <translation>画像カーソル</translation>
    </message>
    <message>
        <source>Picture Size</source>
        <translation>画像の大きさ</translation>
    </message>
    <message>
        <source>%L1 cells</source>
        <translation>%L1 セル</translation>
    </message>
    <message>
        <source>Full Screen</source>
        <translation>全画面表示</translation>
    </message>
    <message>
        <source>Drawing %p%</source>
        <translation>描画中 %p%</translation>
    </message>
    <message>
        <source>Tracing %p%</source>
        <translation>輪郭線を抽出中 %p%</translation>
    </message>
    <message>
        <source>Playing %p%</source>
        <translation>演奏中 %p%</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>View</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>About Velmora</source>
        <translation>Velmoraについて</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Velmora turns the boundary of the Mandelbrot set into music.
Draw the set, trace its outline, click a start point and listen to the walk.</source>
        <translation>Velmoraはマンデルブロ集合の境界を音楽に変えます。
集合を描き、輪郭線をたどり、開始点をクリックして、その道のりを聴いてください。</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>バージョン %1</translation>
    </message>
    <message>
        <source>SoundFont: %1</source>
        <translation>サウンドフォント: %1</translation>
    </message>
    <message>
        <source>Redraw</source>
        <translation>再描画</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取り消し</translation>
    </message>
    <message>
        <source>It is not a regular file (it may be a folder, a pipe or a device), so it was not replaced.</source>
        <translation>通常のファイルではない（フォルダ、パイプ、デバイスなど）ため、置き換えませんでした。</translation>
    </message>
    <message>
        <source>Only %1 of %2 bytes could be written: %3</source>
        <translation>%2 バイトのうち %1 バイトしか書き込めませんでした: %3</translation>
    </message>
    <message>
        <source>Choose a file name ending in .wav, .flac or .ogg.</source>
        <translation>末尾が .wav、.flac、.ogg のいずれかのファイル名を選んでください。</translation>
    </message>
    <message>
        <source>The piece&apos;s step length is out of range.</source>
        <translation>曲のステップの長さが範囲外です。</translation>
    </message>
    <message>
        <source>The SoundFont %1 could not be loaded.</source>
        <translation>SoundFont %1 を読み込めませんでした。</translation>
    </message>
    <message>
        <source>The synthesizer could not be started.</source>
        <translation>シンセサイザーを起動できませんでした。</translation>
    </message>
    <message>
        <source>No file could be created in that folder.</source>
        <translation>そのフォルダーにファイルを作成できませんでした。</translation>
    </message>
    <message>
        <source>The sound could not be written.</source>
        <translation>音声を書き込めませんでした。</translation>
    </message>
    <message>
        <source>The audio could not be exported.</source>
        <translation>オーディオを書き出せませんでした。</translation>
    </message>
    <message>
        <source>Colours</source>
        <translation>配色</translation>
    </message>
    <message>
        <source>Classic</source>
        <translation>クラシック</translation>
    </message>
    <message>
        <source>Sunset</source>
        <translation>夕焼け</translation>
    </message>
    <message>
        <source>Ocean</source>
        <translation>海</translation>
    </message>
    <message>
        <source>Choose a file name ending in .mp4 or .webm.</source>
        <translation>.mp4 または .webm で終わるファイル名を選んでください。</translation>
    </message>
    <message>
        <source>The FFmpeg libraries on this system have no encoder for the video (tried: %1).</source>
        <translation>このシステムの FFmpeg ライブラリには映像のエンコーダーがありません(試したもの: %1)。</translation>
    </message>
    <message>
        <source>The FFmpeg libraries on this system have no encoder for the sound (tried: %1).</source>
        <translation>このシステムの FFmpeg ライブラリには音声のエンコーダーがありません(試したもの: %1)。</translation>
    </message>
    <message>
        <source>The video encoder refused to start.</source>
        <translation>動画のエンコーダーを開始できませんでした。</translation>
    </message>
    <message>
        <source>The video could not be encoded.</source>
        <translation>動画をエンコードできませんでした。</translation>
    </message>
    <message>
        <source>The video could not be written.</source>
        <translation>動画を書き込めませんでした。</translation>
    </message>
    <message>
        <source>The video could not be exported.</source>
        <translation>動画を書き出せませんでした。</translation>
    </message>
    <message>
        <source>Show Orbit</source>
        <translation>軌道を表示</translation>
    </message>
    <message>
        <source>Draw the orbit of the point under the pointer or the picture&apos;s cursor, and say whether it escapes</source>
        <translation>ポインターまたは画像カーソルの下の点の軌道を描き、発散するかどうかを示します</translation>
    </message>
    <message>
        <source>Paused %p%</source>
        <translation>一時停止中 %p%</translation>
    </message>
</context>
<context>
    <name>MusicMenu</name>
    <message>
        <source>Built-in synthesizer</source>
        <translation>内蔵シンセサイザー</translation>
    </message>
    <message>
        <source>Own port “%1” for other programs</source>
        <translation>他のプログラムが接続する自前のポート「%1」</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>音楽</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>設定…</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>初期設定に戻す</translation>
    </message>
    <message>
        <source>Loop</source>
        <translation>繰り返し再生</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>出力先</translation>
    </message>
    <message>
        <source>%1 (not found)</source>
        <translation>%1(見つかりません)</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>Step Forward</source>
        <translation>1 歩進む</translation>
    </message>
    <message>
        <source>Step Back</source>
        <translation>1 歩戻る</translation>
    </message>
</context>
<context>
    <name>MusicSettingsDialog</name>
    <message>
        <source>Major</source>
        <translation>長音階(メジャー)</translation>
    </message>
    <message>
        <source>Natural minor</source>
        <translation>自然短音階</translation>
    </message>
    <message>
        <source>Harmonic minor</source>
        <translation>和声短音階</translation>
    </message>
    <message>
        <source>Dorian</source>
        <translation>ドリア旋法</translation>
    </message>
    <message>
        <source>Mixolydian</source>
        <translation>ミクソリディア旋法</translation>
    </message>
    <message>
        <source>Major pentatonic</source>
        <translation>メジャー・ペンタトニック</translation>
    </message>
    <message>
        <source>Minor pentatonic</source>
        <translation>マイナー・ペンタトニック</translation>
    </message>
    <message>
        <source>Blues</source>
        <translation>ブルース</translation>
    </message>
    <message>
        <source>Whole tone</source>
        <translation>全音音階</translation>
    </message>
    <message>
        <source>Music Settings</source>
        <translation>音楽の設定</translation>
    </message>
    <message>
        <source>Tempo</source>
        <translation>テンポ</translation>
    </message>
    <message>
        <source>Step</source>
        <translation>1ステップ</translation>
    </message>
    <message>
        <source> beats a minute</source>
        <translation> BPM(1分間の拍数)</translation>
    </message>
    <message>
        <source>Quarter note (1/4)</source>
        <translation>四分音符(1/4)</translation>
    </message>
    <message>
        <source>Eighth note (1/8)</source>
        <translation>八分音符(1/8)</translation>
    </message>
    <message>
        <source>Eighth-note triplet (1/8T)</source>
        <translation>八分音符の三連符(1/8T)</translation>
    </message>
    <message>
        <source>Sixteenth note (1/16)</source>
        <translation>十六分音符(1/16)</translation>
    </message>
    <message>
        <source>Sixteenth-note triplet (1/16T)</source>
        <translation>十六分音符の三連符(1/16T)</translation>
    </message>
    <message>
        <source>Thirty-second note (1/32)</source>
        <translation>三十二分音符(1/32)</translation>
    </message>
    <message>
        <source>Key</source>
        <translation>調</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>音階</translation>
    </message>
    <message>
        <source>Melody instrument</source>
        <translation>メロディの楽器</translation>
    </message>
    <message>
        <source>Melody volume</source>
        <translation>メロディの音量</translation>
    </message>
    <message>
        <source>Chord instrument</source>
        <translation>和音の楽器</translation>
    </message>
    <message>
        <source>Chord volume</source>
        <translation>和音の音量</translation>
    </message>
    <message>
        <source>A change takes effect with the next piece.</source>
        <translation>変更は次の曲から有効になります。</translation>
    </message>
    <message>
        <source>%1 ms a step</source>
        <translation>1ステップ %1 ミリ秒</translation>
    </message>
</context>
<context>
    <name>Place</name>
    <message>
        <source>it is larger than %1 MiB.</source>
        <translation>ファイルが %1 MiB を超えています。</translation>
    </message>
    <message>
        <source>it is not JSON text (the error is at byte %1).</source>
        <translation>JSON テキストではありません（%1 バイト目に誤りがあります）。</translation>
    </message>
    <message>
        <source>it does not hold a JSON object.</source>
        <translation>JSON オブジェクトが含まれていません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be an object in braces.</source>
        <translation>フィールド &quot;%1&quot; は波かっこで囲んだオブジェクトでなければなりません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be %2; the file may come from a newer Velmora.</source>
        <translation>フィールド &quot;%1&quot; は %2 でなければなりません。新しい Velmora で作られたファイルかもしれません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; is missing.</source>
        <translation>フィールド &quot;%1&quot; がありません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; is not part of a place.</source>
        <translation>フィールド &quot;%1&quot; は場所の項目ではありません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be a decimal number in quotes, such as &quot;-0.75&quot;.</source>
        <translation>フィールド &quot;%1&quot; は &quot;-0.75&quot; のように引用符で囲んだ10進数でなければなりません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; is longer than %L2 characters.</source>
        <translation>フィールド &quot;%1&quot; が %L2 文字を超えています。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; is greater than the field &quot;%2&quot;.</source>
        <translation>フィールド &quot;%1&quot; がフィールド &quot;%2&quot; より大きくなっています。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; holds a view magnified further than a place can hold.</source>
        <translation>フィールド &quot;%1&quot; の範囲は、場所に保存できる以上に拡大されています。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be a whole number from %L2 to %L3.</source>
        <translation>フィールド &quot;%1&quot; は %L2 から %L3 までの整数でなければなりません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be a number from %L2 to %L3.</source>
        <translation>フィールド &quot;%1&quot; は %L2 から %L3 までの数でなければなりません。</translation>
    </message>
    <message>
        <source>the field &quot;%1&quot; must be one of %2.</source>
        <translation>フィールド &quot;%1&quot; は次のいずれかでなければなりません: %2。</translation>
    </message>
    <message>
        <source>This PNG picture holds no Velmora place.</source>
        <translation>この PNG 画像には Velmora の場所が含まれていません。</translation>
    </message>
    <message>
        <source>This PNG picture is damaged: it ends before its last chunk, so its place cannot be read.</source>
        <translation>この PNG 画像は壊れています（最後のチャンクの前で途切れています）。そのため場所を読み込めません。</translation>
    </message>
    <message>
        <source>This PNG picture is damaged: the checksum of its &quot;%1&quot; chunk is wrong, so its place cannot be read.</source>
        <translation>この PNG 画像は壊れています（&quot;%1&quot; チャンクのチェックサムが合いません）。そのため場所を読み込めません。</translation>
    </message>
    <message>
        <source>It is not a regular file (it may be a folder, a pipe or a device), so no place was read from it.</source>
        <translation>通常のファイルではない（フォルダ、パイプ、デバイスなど）ため、場所を読み込みませんでした。</translation>
    </message>
    <message>
        <source>This MIDI file holds no Velmora place.</source>
        <translation>この MIDI ファイルには Velmora の場所が含まれていません。</translation>
    </message>
    <message>
        <source>This file is neither a Velmora place nor a PNG picture or MIDI file.</source>
        <translation>このファイルは Velmora の場所ファイルでも、PNG 画像や MIDI ファイルでもありません。</translation>
    </message>
    <message>
        <source>The place file is not valid: %1</source>
        <translation>場所ファイルが正しくありません。%1</translation>
    </message>
</context>
<context>
    <name>SyncCoordinator</name>
    <message>
        <source>Ableton Link chosen but not joined: choose Music → Sync → Ableton Link to join</source>
        <translation>Ableton Link を選択中ですが未参加です。参加するには「音楽 → 同期 → Ableton Link」を選んでください</translation>
    </message>
    <message>
        <source>Link: 1 peer at %1 BPM</source>
        <translation>Link: ピア 1 台、%1 BPM</translation>
    </message>
    <message>
        <source>Link: %1 peers at %2 BPM</source>
        <translation>Link: ピア %1 台、%2 BPM</translation>
    </message>
    <message>
        <source>MIDI clock goes only to an output to another program, not to the built-in synthesizer</source>
        <translation>MIDI クロックは他のプログラムへの出力先にだけ送られ、内蔵シンセサイザーには送られません</translation>
    </message>
    <message>
        <source>Sending MIDI clock at %1 BPM</source>
        <translation>MIDI クロックを %1 BPM で送信中</translation>
    </message>
    <message>
        <source>The MIDI clock input cannot be reached: the piece plays on its own clock</source>
        <translation>MIDI クロックの入力に接続できません。曲は自前のクロックで演奏します</translation>
    </message>
    <message>
        <source>Waiting for MIDI clock Start on %1</source>
        <translation>%1 で MIDI クロックのスタートを待っています</translation>
    </message>
    <message>
        <source>The MIDI clock on %1 stopped coming: the piece is paused</source>
        <translation>%1 の MIDI クロックが途絶えました。曲は一時停止中です</translation>
    </message>
    <message>
        <source>Following MIDI clock on %1</source>
        <translation>%1 の MIDI クロックに同期中</translation>
    </message>
    <message>
        <source>Following MIDI clock on %1 at %2 BPM</source>
        <translation>%1 の MIDI クロックに同期中(%2 BPM)</translation>
    </message>
    <message>
        <source>No JACK server answers: the JACK transport cannot be followed</source>
        <translation>JACK サーバーが応答しないため、JACK トランスポートに同期できません</translation>
    </message>
    <message>
        <source>The JACK server went away: the piece carries on at %1 BPM</source>
        <translation>JACK サーバーがなくなりました。曲は %1 BPM のまま続きます</translation>
    </message>
    <message>
        <source>Waiting for the JACK transport to roll</source>
        <translation>JACK トランスポートの再生開始を待っています</translation>
    </message>
    <message>
        <source>Following the JACK transport</source>
        <translation>JACK トランスポートに同期中</translation>
    </message>
</context>
<context>
    <name>SyncMenu</name>
    <message>
        <source>Own port “%1” (%2)</source>
        <translation>自前のポート「%1」(%2)</translation>
    </message>
    <message>
        <source>Sync</source>
        <translation>同期</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>Ableton Link</source>
        <translation>Ableton Link</translation>
    </message>
    <message>
        <source>Send MIDI Clock</source>
        <translation>MIDI クロックを送信</translation>
    </message>
    <message>
        <source>Follow MIDI Clock</source>
        <translation>MIDI クロックに同期</translation>
    </message>
    <message>
        <source>Follow JACK Transport</source>
        <translation>JACK トランスポートに同期</translation>
    </message>
    <message>
        <source>%1 (not found)</source>
        <translation>%1(見つかりません)</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 is a symbolic link that leads nowhere; remove it or choose another name.</source>
        <translation>%1 はどこにもつながっていないシンボリックリンクです。リンクを削除するか、別の名前を選んでください。</translation>
    </message>
    <message>
        <source>--%1 needs the name of a file to write</source>
        <translation>--%1 には書き出すファイルの名前が必要です</translation>
    </message>
    <message>
        <source>The settings file %1 was not used because it is not a regular file; this run starts with the defaults and keeps its changes only until it ends.</source>
        <translation>設定ファイル %1 は通常のファイルではないため使いませんでした。今回は既定の設定で始め、変更は終了するまでだけ保持します。</translation>
    </message>
    <message>
        <source>The settings file %1 was not used because it is larger than %2 MiB; this run starts with the defaults and keeps its changes only until it ends.</source>
        <translation>設定ファイル %1 は %2 MiB より大きいため使いませんでした。今回は既定の設定で始め、変更は終了するまでだけ保持します。</translation>
    </message>
    <message>
        <source>%1 keeps no start cell, so it has no piece to write.</source>
        <translation>%1 には開始点がないため、書き出す曲がありません。</translation>
    </message>
    <message>
        <source>Turns the boundary of the Mandelbrot set into music.</source>
        <translation>マンデルブロ集合の境界を音楽に変えます。</translation>
    </message>
    <message>
        <source>Write the place&apos;s picture to &lt;file&gt; and exit.</source>
        <translation>場所の画像を &lt;file&gt; に書き出して終了します。</translation>
    </message>
    <message>
        <source>Write the place&apos;s piece to &lt;file&gt; and exit.</source>
        <translation>場所の曲を &lt;file&gt; に書き出して終了します。</translation>
    </message>
    <message>
        <source>Render the place&apos;s piece to &lt;file&gt; (.wav, .flac or .ogg) and exit.</source>
        <translation>場所の曲を &lt;file&gt; (.wav、.flac、.ogg) に音声として書き出して終了します。</translation>
    </message>
    <message>
        <source>A place to open: a place file, or a picture or piece Velmora saved.</source>
        <translation>開く場所: 場所のファイル、またはVelmoraが保存した画像か曲。</translation>
    </message>
    <message>
        <source>only one place can be opened at a time</source>
        <translation>一度に開ける場所は一つだけです</translation>
    </message>
    <message>
        <source>With --picture, colour the picture in &lt;name&gt; (%1) instead of the place&apos;s own palette.</source>
        <translation>--picture で、場所の配色の代わりに &lt;name&gt; (%1) で画像に色を付けます。</translation>
    </message>
    <message>
        <source>--palette names no palette: &quot;%1&quot;; it is one of %2</source>
        <translation>--palette の「%1」という配色はありません。%2 のどれかです</translation>
    </message>
    <message>
        <source>--palette goes with --picture; in the window, choose View &gt; Colours</source>
        <translation>--palette は --picture と一緒に使います。ウィンドウでは「表示」→「配色」で選んでください</translation>
    </message>
    <message>
        <source>Join an Ableton Link session on the local network at start-up (Music → Sync → Ableton Link).</source>
        <translation>起動時にローカルネットワークの Ableton Link セッションに参加します(音楽 → 同期 → Ableton Link)。</translation>
    </message>
    <message>
        <source>The window needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); --picture, --midi, --audio and --video work without one.</source>
        <translation>ウィンドウにはグラフィカルセッションが必要です(DISPLAY も WAYLAND_DISPLAY も設定されていません)。--picture、--midi、--audio、--video はなくても動作します。</translation>
    </message>
    <message>
        <source>Write a video of the place&apos;s piece to &lt;file&gt; (.mp4 or .webm): the path drawing itself with its sound. Then exit.</source>
        <translation>場所の曲の動画(道筋が音とともに描かれていくもの)を &lt;file&gt; (.mp4 または .webm) に書き出して終了します。</translation>
    </message>
    <message>
        <source>Show what the sound, MIDI and video libraries report, not only the system log.</source>
        <translation>音声、MIDI、動画のライブラリが報告する内容を、システムログだけでなく端末にも表示します。</translation>
    </message>
    <message>
        <source>--picture, --midi, --audio and --video need a place to render</source>
        <translation>--picture、--midi、--audio、--video には描く場所が必要です</translation>
    </message>
    <message>
        <source>With --audio or --video, keep the synthesizer&apos;s own level (limited, never clipped) instead of bringing the piece to -16 LUFS.</source>
        <translation>--audio または --video で、曲を -16 LUFS にそろえず、シンセサイザー本来の音量のままにします(リミッターを通すので音割れはしません)。</translation>
    </message>
</context>
</TS>
