<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TfrmConverter</name>
    <message>
        <source>Quiet</source>
        <translation>静默</translation>
    </message>
    <message>
        <source>Panic</source>
        <translation>崩溃</translation>
    </message>
    <message>
        <source>Fatal</source>
        <translation>致命错误</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>Verbose</source>
        <translation>详细</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>调试</translation>
    </message>
    <message>
        <source>Trace</source>
        <translation>跟踪</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>空闲</translation>
    </message>
    <message>
        <source>Lowest</source>
        <translation>最低</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>较低</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>Play Output</source>
        <translation>播放输出文件</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>打开所在文件夹</translation>
    </message>
    <message>
        <source>Thread Mode</source>
        <translation>线程模式</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>预览</translation>
    </message>
    <message>
        <source>Log Level</source>
        <translation>日志级别</translation>
    </message>
    <message>
        <source>Thread Priority</source>
        <translation>线程优先级</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>***File open error: </source>
        <translation>***文件打开错误: </translation>
    </message>
    <message>
        <source>***Cannot do convert, error: </source>
        <translation>***无法转换, 错误: </translation>
    </message>
    <message>
        <source>***File has been added to convert list.</source>
        <translation>***文件已添加到转换列表。</translation>
    </message>
    <message>
        <source>***Incomplete: </source>
        <translation>***不完整: </translation>
    </message>
    <message>
        <source>Ignore mono for current audio hooking.</source>
        <translation>单声道音频不做音频钩子处理。</translation>
    </message>
    <message>
        <source>Unsupported sample format for current audio hooking.</source>
        <translation>音频钩子不支持当前的采样格式。</translation>
    </message>
    <message>
        <source>***Files cannot be added while converting: </source>
        <translation>***转换进行中, 不能添加文件: </translation>
    </message>
    <message>
        <source>Show the pictures of the running conversions in a window</source>
        <translation>在窗口中显示正在转换的画面</translation>
    </message>
    <message>
        <source>paused</source>
        <translation>已暂停</translation>
    </message>
    <message>
        <source>stopping…</source>
        <translation>正在停止…</translation>
    </message>
    <message>
        <source>***Options dialog closed without OK: no file of this batch was added (%1 in the batch).</source>
        <translation>***选项对话框未按确定就关闭: 本批文件均未添加 (本批共 %1 个)。</translation>
    </message>
    <message>
        <source>These files were not added:</source>
        <translation>以下文件未添加:</translation>
    </message>
    <message>
        <source>These files were added with a note:</source>
        <translation>以下文件已添加, 另有说明:</translation>
    </message>
    <message>
        <source>Adding %1 of %2</source>
        <translation>正在添加 %1 / %2</translation>
    </message>
    <message>
        <source>***Adding stopped: %1 files were not added.</source>
        <translation>***添加已停止: %1 个文件未添加。</translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2; the output holds what was converted.</source>
        <translation>用户在 %1 / %2 处停止, 输出文件保存了已转换的部分。</translation>
    </message>
    <message>
        <source>Stopped by the user before it started; no output was written.</source>
        <translation>用户在开始前停止, 未写入输出文件。</translation>
    </message>
    <message>
        <source>Decoding errors: %1</source>
        <translation>解码错误: %1</translation>
    </message>
    <message>
        <source>Conversions are running. Stop them and quit?</source>
        <translation>正在转换。要停止转换并退出吗?</translation>
    </message>
</context>
<context>
    <name>TfrmOption</name>
    <message>
        <source>Select Output Folder</source>
        <translation>选择输出目录</translation>
    </message>
    <message>
        <source>Output folder cannot be located in CD-ROM.</source>
        <translation>输出目录不能位于光盘上。</translation>
    </message>
    <message>
        <source>视频比特率 (video bit rate, kb/s)</source>
        <translation>视频比特率 (kb/s)</translation>
    </message>
    <message>
        <source>音频比特率 (audio bit rate, kb/s)</source>
        <translation>音频比特率 (kb/s)</translation>
    </message>
    <message>
        <source>调整音频音量 (volume, 256 = unchanged)</source>
        <translation>调整音频音量 (256 = 不变)</translation>
    </message>
    <message>
        <source>%1: "%2" is not a number.</source>
        <translation>%1: "%2" 不是一个数字。</translation>
    </message>
    <message>
        <source>256=normal</source>
        <translation>256=原音量</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>FileFilter</name>
    <message>
        <source>Video/Audio/Picture Files</source>
        <translation>视频/音频/图片文件</translation>
    </message>
    <message>
        <source>Video Files</source>
        <translation>视频文件</translation>
    </message>
    <message>
        <source>Audio Files</source>
        <translation>音频文件</translation>
    </message>
    <message>
        <source>Picture Files</source>
        <translation>图片文件</translation>
    </message>
    <message>
        <source>All Files</source>
        <translation>所有文件</translation>
    </message>
</context>
<context>
    <name>zentrova::app</name>
    <message>
        <source>Output Formats</source>
        <translation>输出格式</translation>
    </message>
    <message>
        <source>Norm(VCD/SVCD/DVD)</source>
        <translation>电视制式(VCD/SVCD/DVD)</translation>
    </message>
    <message>
        <source>Audio Channel</source>
        <translation>音频声道</translation>
    </message>
    <message>
        <source>Audio Sample Rate (Hz)</source>
        <translation>音频采样率 (Hz)</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Auto - Original</source>
        <translation>自动 - 原始大小</translation>
    </message>
</context>
<context>
    <name>TAddedFiles</name>
    <message>
        <source>the file does not exist</source>
        <translation>文件不存在</translation>
    </message>
    <message>
        <source>the folder holds no media files</source>
        <translation>文件夹中没有媒体文件</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>文件为空</translation>
    </message>
    <message>
        <source>the file cannot be read</source>
        <translation>文件无法读取</translation>
    </message>
    <message>
        <source>not a media file that can be read</source>
        <translation>不是可读取的媒体文件</translation>
    </message>
</context>
<context>
    <name>TBatchStatus</name>
    <message>
        <source>No files in the list</source>
        <translation>列表中没有文件</translation>
    </message>
    <message>
        <source>%1 files ready to convert</source>
        <translation>%1 个文件待转换</translation>
    </message>
    <message>
        <source>%1 of %2 files done</source>
        <translation>已完成 %1/%2 个文件</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>剩余 %1</translation>
    </message>
    <message>
        <source>%1 converted</source>
        <translation>%1 个已转换</translation>
    </message>
    <message>
        <source>%1 stopped</source>
        <translation>%1 个已停止</translation>
    </message>
    <message>
        <source>%1 incomplete</source>
        <translation>%1 个不完整</translation>
    </message>
    <message>
        <source>%1 failed</source>
        <translation>%1 个失败</translation>
    </message>
    <message>
        <source>took %1</source>
        <translation>用时 %1</translation>
    </message>
</context>
<context>
    <name>TConversionList</name>
    <message>
        <source>Converted</source>
        <translation>已转换</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Stopped before it started</source>
        <translation>未开始即停止</translation>
    </message>
    <message>
        <source>Stopped at %1%</source>
        <translation>停止于 %1%</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>Incomplete at %1%</source>
        <translation>不完整 (%1%)</translation>
    </message>
    <message>
        <source>Incomplete</source>
        <translation>不完整</translation>
    </message>
    <message>
        <source>Stopping</source>
        <translation>正在停止</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 字节</translation>
    </message>
    <message>
        <source>%1.%2 s</source>
        <translation>%1.%2 秒</translation>
    </message>
</context>
</TS>
