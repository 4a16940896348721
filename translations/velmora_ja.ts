<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Controller</name>
    <message>
        <source>Click begin point and end point to magnify.</source>
        <translation>マウスで拡大を行う範囲の開始点と終了点をクリックしてください。</translation>
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
        <source>輪郭線のトレースに失敗しました。</source>
        <translation>輪郭線のトレースに失敗しました。</translation>
    </message>
    <message>
        <source>使用できるMIDIデバイスがありません．</source>
        <translation>使用できるMIDIデバイスがありません．</translation>
    </message>
    <message>
        <source>MIDIデバイスを使用できません．</source>
        <translation>MIDIデバイスを使用できません．</translation>
    </message>
    <message>
        <source>The sound is not ready yet (the SoundFont is still loading, or the sound output is starting). The piece plays on and sounds as soon as it is ready.</source>
        <translation>音の準備がまだできていません（サウンドフォントの読み込み中か、音声出力の起動中です）。演奏はそのまま続き、準備ができ次第音が鳴ります。</translation>
    </message>
    <message>
        <source>The SoundFont loaded, but its instruments make no sound, so the piece plays silently.</source>
        <translation>サウンドフォントは読み込めましたが、楽器の音が出ません。曲は無音で演奏されます。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
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
        <source>低</source>
        <translation>低</translation>
    </message>
    <message>
        <source>中</source>
        <translation>中</translation>
    </message>
    <message>
        <source>高</source>
        <translation>高</translation>
    </message>
    <message>
        <source>File</source>
        <translation>ファイル</translation>
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
</context>
</TS>
