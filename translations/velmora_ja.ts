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
</context>
</TS>
